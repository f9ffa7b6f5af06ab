#include "ops/shell/speaker_build.h"
#include "ui/dialog_routes.h"
#include "ui/peripherals/audio_cfg.h"
#include "ui/peripherals/bind_tempera.h"

namespace ostrand {

void AddPeripheralDialogs(DialogRoutes& routes) {
    routes.Add(CommandId::BindTemperature, [](QWidget* parent, const CommandArgs& args) {
        BindTempera dialog({args.ip, static_cast<std::uint16_t>(args.port)}, TemperaProbeConfig::FromProfile(), parent);
        dialog.exec();
    });
    routes.Add(CommandId::SpeakerConfig, [](QWidget* parent, const CommandArgs& args) {
        RecordSpeakerVersion(args.version);
        AudioCfg dialog({args.ip, static_cast<std::uint16_t>(args.port)}, parent);
        dialog.exec();
    });
}

}  // namespace ostrand
