#pragma once

// A diagnostic switch for the cost of the screens, on when the environment variable
// CORVALE_PAINT_STATS is set to anything but "" or "0": it times every paint of every widget
// (grouped by the widget's class), and probes the event loop every 5 ms to see how late timers
// come (the lag a user feels as stutter). Off, it costs nothing: nothing is installed.
//
// Main thread only: it filters the application's events on the main thread.

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

namespace ui {

class PaintStats final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* environmentVariable = "CORVALE_PAINT_STATS";
    static constexpr int lagProbeMs = 5;

    static bool isEnabledByEnvironment();
    // Installs the recorder on the application when the environment asks for it; null otherwise.
    static PaintStats* installIfEnabled(QObject* parent = nullptr);

    explicit PaintStats(QObject* parent = nullptr);
    ~PaintStats() override;

    struct ClassFigures {
        int paints = 0;
        double p95Ms = 0.0;
        double maxMs = 0.0;
        double totalMs = 0.0;
    };
    // Paints per widget class since the last reset.
    QHash<QString, ClassFigures> paintsByClass() const;
    int paintCount(const QString& className) const;
    // How late the 5 ms probe fired (ms beyond its interval) since the last reset.
    double lagPercentileMs(double p) const;
    double maxLagMs() const;
    // Forgets what was recorded.
    void reset();

    // CPU time the calling thread has used, in seconds (the main thread's, called there).
    static double threadCpuSeconds();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QString, std::vector<float>> paints_;
    std::vector<float> lags_;
    QTimer probe_;
    QElapsedTimer sinceProbe_;
    bool insidePaint_ = false;
};

} // namespace ui
