#include <QApplication>

#include <utility>

#include "app/costrand_app.h"
#include "ui/qt_message_sink.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ostrand"));
    ostrand::QtMessageSink messages;
    // The real destinations (broadcast and multicast on the PC's own
    // addresses); the two diagnostic lines of a scan go to stderr.
    ostrand::DiscoveryConfig discovery;
    discovery.trace = ostrand::StderrDiscoveryTrace();
    ostrand::CostrandApp app(messages, std::move(discovery));
    return app.Run();
}
