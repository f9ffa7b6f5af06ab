#pragma once
// One page of the network-parameter host: it knows the commands that read
// and write it, fills itself from a reply and turns its fields into a
// request. The base page reads and writes nothing.

#include <QWidget>

#include <cstdint>
#include <string>

#include "transport/param_map.h"

namespace ostrand {

class CBasicDiaglog : public QWidget {
public:
    explicit CBasicDiaglog(QWidget* parent = nullptr) : QWidget(parent) {}

    // Checks the fields and fills `request`; false (after its message) when
    // they do not pass.
    virtual bool CollectRequest(ParamMap& /*request*/) { return false; }
    int GetPageIndex() const { return pageIndex_; }
    void SetPageIndex(int index) { pageIndex_ = index; }
    const std::string& GetSaveCommand() const { return saveCommand_; }
    void SetSaveCommand(std::string command) { saveCommand_ = std::move(command); }
    const std::string& GetLoadCommand() const { return loadCommand_; }
    void SetLoadCommand(std::string command) { loadCommand_ = std::move(command); }
    virtual void FillFromReply(const ParamMap& /*reply*/) {}
    virtual void SetCommandPort(std::int32_t /*port*/) {}

protected:
    std::int32_t commandPort_ = 80;

private:
    int pageIndex_ = 0;
    std::string saveCommand_;
    std::string loadCommand_;
};

}  // namespace ostrand
