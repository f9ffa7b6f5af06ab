#include <QApplication>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/costrand_app.h"
#include "platform/app_state.h"
#include "ui/qt_message_sink.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ostrand"));
    std::vector<std::string> arguments;
    const QStringList given = QApplication::arguments();
    for (qsizetype i = 1; i < given.size(); ++i) arguments.push_back(given[i].toStdString());
    const ostrand::AppOptions options = ostrand::ParseAppOptions(arguments);
    if (options.version) {
        std::printf("ostrand %s\n", ostrand::FileVersionText().c_str());
        return 0;
    }
    if (options.help || !options.error.empty()) {
        if (!options.error.empty()) std::fprintf(stderr, "ostrand: %s\n", options.error.c_str());
        std::fputs(ostrand::AppUsageText(), options.help ? stdout : stderr);
        return options.help ? 0 : 64;
    }
    for (const std::string& argument : options.ignored) {
        std::fprintf(stderr, "ostrand: ignoring unknown argument \"%s\"\n", argument.c_str());
    }
    ostrand::QtMessageSink messages;
    // The real destinations (broadcast and multicast on the PC's own
    // addresses); the two diagnostic lines of a scan go to stderr.
    ostrand::DiscoveryConfig discovery;
    discovery.trace = ostrand::StderrDiscoveryTrace();
    ostrand::CostrandApp app(messages, std::move(discovery));
    app.SetLanguage(options.language);
    return app.Run();
}
