#include "ops/maintenance/serial_type.h"

#include "platform/message_sink.h"

namespace ostrand {

const char* SerialTypeName(int index) { return index == kSerialTypeAttendance ? "考勤机" : "云台"; }

SerialTypeLoad LoadSerialType(DeviceEndpoint& endpoint) {
    SerialTypeLoad load;
    ParamMap reply;
    load.exchanged = SendXmlCommand(endpoint, ParamMap{}, reply, kSerialTypeLoadCode);
    load.index = load.exchanged && reply["setType"] == "0" ? kSerialTypeAttendance : kSerialTypePtz;
    return load;
}

bool SaveSerialType(DeviceEndpoint& endpoint, int index) {
    ParamMap request{{"setType", std::to_string(index < 0 ? -1 : index)}};
    ParamMap reply;
    const bool ok = SendXmlCommand(endpoint, request, reply, kSerialTypeSaveCode) && reply["result"] == "10000";
    ShowMessage(ok ? "设置成功,请重启设备！" : "设置失败");
    return ok;
}

}  // namespace ostrand
