#include "ui/LayoutLogger.h"

#include "platform/DebugLog.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "ui/SplitViewMemory.h"

#include <QDir>
#include <QEvent>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWidget>

#include <cmath>

namespace ui {

namespace {

constexpr const char* platformSplitViewPrefix = "NSSplitView";

qint64 truncated(double points)
{
    return static_cast<qint64>(std::trunc(points));
}

// Watches one widget for layoutLog(): its first show and each later size change.
class LayoutLogWatcher final : public QObject {
public:
    LayoutLogWatcher(QWidget* widget, QString label, LayoutLogger& logger)
        : QObject(widget)
        , label_(std::move(label))
        , logger_(&logger)
    {
        widget->installEventFilter(this);
        if (widget->isVisible())
            report(widget->size());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && !lastSize_)
            report(widget->size());
        else if (event->type() == QEvent::Resize && lastSize_ && widget->size() != *lastSize_)
            report(widget->size());
        return false;
    }

private:
    void report(QSize size)
    {
        lastSize_ = size;
        if (logger_)
            logger_->record(label_, QSizeF(size));
    }

    QString label_;
    QPointer<LayoutLogger> logger_;
    std::optional<QSize> lastSize_;
};

} // namespace

QString LayoutLogger::LogEntry::display() const
{
    QString line = time + QStringLiteral("  ") + label;
    if (width)
        line += QStringLiteral("  width=%1").arg(*width);
    if (height)
        line += QStringLiteral("  height=%1").arg(*height);
    return line;
}

LayoutLogger::LayoutLogger(Services services, QObject* parent)
    : QObject(parent)
    , services_(std::move(services))
{
}

LayoutLogger::~LayoutLogger()
{
    for (const auto& [label, timer] : debounceWork_)
        services_.scheduler.cancel(timer);
}

LayoutLogger& LayoutLogger::shared()
{
    static auto* logger = new LayoutLogger(Services { platform::Scheduler::main(), platform::UserDefaults::standard(),
        [] { return QDateTime::currentDateTime(); }, &LayoutLogger::desktopFolder });
    return *logger;
}

QString LayoutLogger::desktopFolder()
{
    // Not the home folder fallback: without a Desktop the summary is simply not kept.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return !folder.isEmpty() && QDir(folder).exists() ? folder : QString();
}

void LayoutLogger::clearEntries()
{
    entries_.clear();
    emit entriesChanged();
}

void LayoutLogger::record(const QString& label, QSizeF size)
{
    if (const auto pending = debounceWork_.find(label); pending != debounceWork_.end())
        services_.scheduler.cancel(pending->second);
    debounceWork_[label] = services_.scheduler.once(debounceSeconds, [this, label, size] {
        debounceWork_.erase(label);
        commit(label, size);
    });
}

void LayoutLogger::commit(const QString& label, QSizeF size)
{
    entries_.append(LogEntry { QUuid::createUuid(), services_.now().toString(QStringLiteral("HH:mm:ss")), label,
        truncated(size.width()), truncated(size.height()) });
    while (entries_.size() > maximumEntries)
        entries_.removeFirst();
    emit entriesChanged();
    writeSummary();
}

QString LayoutLogger::logSummary() const
{
    if (entries_.isEmpty())
        return QStringLiteral("(no layout changes recorded yet)");
    QStringList lines { QStringLiteral("=== Corvale Layout Log ===") };
    for (const auto& entry : entries_)
        lines << entry.display();
    lines << QString() << QStringLiteral("--- Default Values to Update ---");
    lines << recommendedDefaults();
    return lines.join(QLatin1Char('\n'));
}

QStringList LayoutLogger::recommendedDefaults() const
{
    // A map sorts the labels as text; later entries overwrite earlier ones of the same label.
    std::map<QString, std::pair<qint64, qint64>> latest;
    for (const auto& entry : entries_)
        latest[entry.label] = { entry.width.value_or(0), entry.height.value_or(0) };
    QStringList lines;
    for (const auto& [label, size] : latest) {
        const auto [width, height] = size;
        if (width > 0 && height > 0)
            lines << QStringLiteral("%1: idealWidth=%2  idealHeight=%3").arg(label).arg(width).arg(height);
        else if (width > 0)
            lines << QStringLiteral("%1: idealWidth=%2").arg(label).arg(width);
        else
            lines << QStringLiteral("%1: idealHeight=%2").arg(label).arg(height);
    }
    return lines;
}

QString LayoutLogger::logPath() const
{
    const QString folder = services_.logFolder ? services_.logFolder() : QString();
    if (folder.isEmpty() || !QDir(folder).exists())
        return {};
    return QDir(folder).filePath(QString::fromLatin1(fileName));
}

void LayoutLogger::writeSummary()
{
    const QString path = logPath();
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(logSummary().toUtf8()) < 0 || !file.commit())
        dlog("⚠️ layout log not written:", path, file.errorString());
}

void LayoutLogger::resetSplitViewCache()
{
    auto& defaults = services_.defaults;
    for (const QString& key : defaults.allKeys()) {
        if (key.startsWith(splitViewKey(QString())) || key.startsWith(QLatin1String(platformSplitViewPrefix)))
            defaults.remove(key);
    }
}

void layoutLog(QWidget* widget, const QString& label, LayoutLogger& logger)
{
    new LayoutLogWatcher(widget, label, logger);
}

} // namespace ui
