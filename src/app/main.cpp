#include <QApplication>

#include "app/costrand_app.h"
#include "ui/qt_message_sink.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ostrand"));
    ostrand::QtMessageSink messages;
    ostrand::CostrandApp app(messages);
    return app.Run();
}
