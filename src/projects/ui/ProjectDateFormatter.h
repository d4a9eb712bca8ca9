#pragma once

// The one formatter of the dates on project cards: month, day, year and 24-hour time in the user's
// locale ("Jan 5, 2026, 14:03" in en_US), in local time. The library screen makes one and every card
// shares it.

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace projects_ui {

class ProjectDateFormatter final {
public:
    static constexpr const char* pattern = "MMM d, yyyy, HH:mm";

    explicit ProjectDateFormatter(QLocale locale = QLocale())
        : locale_(std::move(locale))
    {
    }

    QString string(const QDateTime& date) const;
    const QLocale& locale() const { return locale_; }

private:
    QLocale locale_;
};

} // namespace projects_ui
