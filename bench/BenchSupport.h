#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

// What the benchmark programs share: medians of repeated timings, and how long the UI thread goes without
// serving its event loop while a command runs. Qt Core only, so benches over either library can use it.
namespace rwbench {

// The middle value (the upper of the two middle ones for an even count); values must not be empty.
inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs work runs times; the median of its wall-clock times in ms.
inline double medianMs(int runs, const std::function<void()> &work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(std::move(times));
}

// From construction on, the longest stall of the UI thread: the largest gap between ticks of a 10 ms timer,
// which only ticks while the event loop runs.
class GapMeter final {
public:
    GapMeter() {
        m_tick.setInterval(10);
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, double(m_sinceTick.nsecsElapsed()) / 1e6);
            m_sinceTick.restart();
        });
        m_tick.start();
        m_sinceTick.start();
    }

    // The longest gap so far in ms; the stretch since the last tick counts too, as the last piece of work
    // may end before the next tick could come.
    double longestMs() const { return std::max(m_longest, double(m_sinceTick.nsecsElapsed()) / 1e6); }

private:
    QTimer m_tick;
    QElapsedTimer m_sinceTick;
    double m_longest = 0;
};

// Runs the event loop until done() holds. A timer wakes the loop every millisecond to ask done(), and the
// loop sleeps in between, so the UI thread idles as it would for a user instead of keeping a core busy.
inline void waitUntil(const std::function<bool()> &done) {
    QTimer tick;
    tick.start(1);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

struct Timing {
    double ms;           // from start() until done() held
    double longestGapMs; // the longest stall of the UI thread meanwhile
};

// Calls start(), then runs the event loop until done() holds.
inline Timing measure(const std::function<void()> &start, const std::function<bool()> &done) {
    const GapMeter gaps;
    QElapsedTimer timer;
    timer.start();
    start();
    waitUntil(done);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return {ms, gaps.longestMs()};
}

// A log of lines lines, "\r\n" line breaks, about 74 bytes a line; every line holds one match of
// (\d+):(\d+):(\d+) host.
inline QString generateLog(int lines) {
    QString text;
    text.reserve(qsizetype(lines) * 75);
    for (int i = 0; i < lines; ++i) {
        text += QStringLiteral("2024-05-17 %1:%2:%3 host%4 app[%5]: request was served in %6 ms, ok\r\n")
                    .arg(i / 3600 % 24, 2, 10, QLatin1Char('0'))
                    .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                    .arg(i % 97)
                    .arg(1000 + i % 9000)
                    .arg(i % 1000);
    }
    return text;
}

// One line of pairs "12-34 ": six characters a pair, each pair a match of (\d+)-(\d+).
inline QString generateLine(int pairs) {
    QString text;
    text.reserve(qsizetype(pairs) * 6);
    const char16_t digits[] = u"0123456789";
    for (int i = 0; i < pairs; ++i) {
        const char16_t item[6] = {digits[i % 9 + 1],      digits[i / 9 % 10],   u'-',
                                  digits[i / 90 % 9 + 1], digits[i / 810 % 10], u' '};
        text.append(reinterpret_cast<const QChar *>(item), 6);
    }
    return text;
}

// Benches that show a window run on the offscreen platform unless the environment names another.
inline void preferOffscreenPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace rwbench
