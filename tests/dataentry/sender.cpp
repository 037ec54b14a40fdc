// A station's sending for the outbox test and its timing:
// varnex-test-sender OUTBOX URI fill N   keeps N rows of five units;
// varnex-test-sender OUTBOX URI send [STEP K]   sends them, prints "sent in MS ms",
// or prints STEP at the K-th time the sending reaches it and waits there to be killed.
#include <cstdio>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "dataentry/OutboxSender.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 4)
        return 2;
    OutboxSender sender(a[1], a[2]);
    if (a[3] == QLatin1String("fill") && a.size() == 5) {
        for (int i = 0; i < a[4].toInt(); ++i)
            if (!sender.keep({{QStringLiteral("ModelNumber"), QStringLiteral("K1")}, {QStringLiteral("SerialNum"), QStringLiteral("S%1").arg(i % 5)},
                              {QStringLiteral("Station"), QStringLiteral("T1")}, {QStringLiteral("InspectorNum"), QString::number(i)}}, 0))
                return 1;
        std::printf("filled\n");
        return 0;
    }
    int seen = 0;
    if (a.size() == 6)
        sender.onStep = [&](const char* step) {
            if (a[4] == QLatin1String(step) && ++seen == a[5].toInt()) {
                std::printf("%s\n", step);
                std::fflush(stdout);
                std::this_thread::sleep_for(std::chrono::minutes(5));
            }
        };
    QElapsedTimer clock;
    clock.start();
    const Status s = sender.sendNow();
    std::printf("sent in %lld ms, %d waiting: %s\n", clock.elapsed(), sender.waiting(), qPrintable(s.error()));
    std::fflush(stdout);
    return s ? 0 : 1;
}
