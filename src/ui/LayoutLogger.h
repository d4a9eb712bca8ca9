#pragma once

// Records the sizes that labelled panes take while the operator drags the dividers, so preferred
// default pane sizes can be read off afterwards. A pane opts in with layoutLog(); each label's
// reports are debounced (0.4 s without a further report commits the last size), the newest 60
// entries are kept in memory, and after each commit the summary is rewritten to
// "Corvale_layout.log" in the Desktop folder, when there is one (never created, never read back).
//
// The logger also forgets the remembered split-view positions (resetSplitViewCache()).
//
// Main thread only: reports come from widget events and commits run on the scheduler.

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <map>
#include <optional>

class QWidget;

namespace platform {
class Scheduler;
class UserDefaults;
} // namespace platform

namespace ui {

class LayoutLogger final : public QObject {
    Q_OBJECT
public:
    static constexpr double debounceSeconds = 0.4;
    static constexpr int maximumEntries = 60;
    static constexpr const char* fileName = "Corvale_layout.log";

    struct LogEntry {
        QUuid id;
        QString time; // "HH:mm:ss", local time of the commit
        QString label;
        std::optional<qint64> width;
        std::optional<qint64> height;

        // The time, the label, then "width=" and "height=" for the numbers present, two spaces apart.
        QString display() const;
    };

    struct Services {
        platform::Scheduler& scheduler;
        platform::UserDefaults& defaults;
        std::function<QDateTime()> now;
        // The folder the summary goes to; empty or missing on disk: no file is written.
        std::function<QString()> logFolder;
    };

    explicit LayoutLogger(Services services, QObject* parent = nullptr);
    ~LayoutLogger() override;

    // The process-wide logger: main scheduler, standard defaults, the wall clock and the Desktop.
    static LayoutLogger& shared();
    // The user's Desktop folder as the desktop names it, or empty when it does not exist.
    static QString desktopFolder();

    const QList<LogEntry>& entries() const { return entries_; }
    // The overlay's clear: empties the list, the file keeps its content.
    void clearEntries();

    // A pane's size under its label; committed once the label has been quiet for 0.4 s.
    void record(const QString& label, QSizeF size);

    QString logSummary() const;
    QStringList recommendedDefaults() const;
    // Where the summary is written now; empty when there is no folder.
    QString logPath() const;

    // Removes the remembered split-view positions: the "splitView" group and any key beginning
    // "NSSplitView". Other keys (the window frame among them) stay.
    void resetSplitViewCache();

signals:
    void entriesChanged();

private:
    void commit(const QString& label, QSizeF size);
    void writeSummary();

    Services services_;
    QList<LogEntry> entries_;
    std::map<QString, std::uint64_t> debounceWork_;
};

// Reports `widget`'s size to `logger` under `label` when it is first shown and at every later
// change of its size. The widget is laid out and drawn unchanged.
void layoutLog(QWidget* widget, const QString& label, LayoutLogger& logger = LayoutLogger::shared());

} // namespace ui
