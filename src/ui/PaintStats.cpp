#include "ui/PaintStats.h"

#include <QCoreApplication>
#include <QWidget>

#include <algorithm>
#include <ctime>

namespace ui {

namespace {

double percentileOf(std::vector<float> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

} // namespace

bool PaintStats::isEnabledByEnvironment()
{
    const QByteArray value = qgetenv(environmentVariable);
    return !value.isEmpty() && value != "0";
}

PaintStats* PaintStats::installIfEnabled(QObject* parent)
{
    return isEnabledByEnvironment() ? new PaintStats(parent) : nullptr;
}

PaintStats::PaintStats(QObject* parent)
    : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
    probe_.setTimerType(Qt::PreciseTimer);
    probe_.setInterval(lagProbeMs);
    connect(&probe_, &QTimer::timeout, this, [this] {
        const double elapsed = sinceProbe_.nsecsElapsed() / 1e6;
        sinceProbe_.restart();
        lags_.push_back(static_cast<float>(std::max(0.0, elapsed - lagProbeMs)));
    });
    sinceProbe_.start();
    probe_.start();
}

PaintStats::~PaintStats()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool PaintStats::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Paint || insidePaint_ || !watched->isWidgetType())
        return false;
    // The paint is delivered here, inside the filter, so its whole cost can be timed; the event
    // is then consumed so that it is not painted twice.
    insidePaint_ = true;
    QElapsedTimer timer;
    timer.start();
    QCoreApplication::sendEvent(watched, event);
    const double ms = timer.nsecsElapsed() / 1e6;
    insidePaint_ = false;
    paints_[QString::fromLatin1(watched->metaObject()->className())].push_back(static_cast<float>(ms));
    return true;
}

QHash<QString, PaintStats::ClassFigures> PaintStats::paintsByClass() const
{
    QHash<QString, ClassFigures> figures;
    for (auto it = paints_.cbegin(); it != paints_.cend(); ++it) {
        ClassFigures f;
        f.paints = static_cast<int>(it->size());
        for (float ms : *it) {
            f.totalMs += ms;
            f.maxMs = std::max(f.maxMs, static_cast<double>(ms));
        }
        f.p95Ms = percentileOf(*it, 0.95);
        figures.insert(it.key(), f);
    }
    return figures;
}

int PaintStats::paintCount(const QString& className) const
{
    const auto it = paints_.constFind(className);
    return it == paints_.cend() ? 0 : static_cast<int>(it->size());
}

double PaintStats::lagPercentileMs(double p) const
{
    return percentileOf(lags_, p);
}

double PaintStats::maxLagMs() const
{
    return lags_.empty() ? 0.0 : *std::max_element(lags_.begin(), lags_.end());
}

void PaintStats::reset()
{
    paints_.clear();
    lags_.clear();
    sinceProbe_.restart();
}

double PaintStats::threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace ui
