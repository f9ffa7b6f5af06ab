#include "ui/attendance/cattend_alarm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ops/attendance/terminal_params.h"
#include "platform/message_sink.h"

namespace ostrand {

namespace {

// Resource ids of the channel controls, channel 1 first.
constexpr std::array<int, 4> kGateInIds{1341, 1346, 1349, 1352};
constexpr std::array<int, 4> kGateOutIds{1342, 1347, 1350, 1353};
constexpr std::array<int, 4> kGateSoundIds{1343, 1348, 1351, 1354};
constexpr std::array<int, 4> kFaceInIds{1355, 1358, 1361, 1364};
constexpr std::array<int, 4> kFaceOutIds{1356, 1359, 1362, 1365};
constexpr std::array<int, 5> kGroupSetIds{1345, 1368, 1370, 1372, 1375};

}  // namespace

CAttendAlarm::CAttendAlarm(const DeviceEndpoint& endpoint, QWidget* parent)
    : TerminalDialog(endpoint, "考勤机参数设置", parent) {
    auto* grid = new QGridLayout(this);
    BuildDoorAndAlarm(grid);
    BuildGateController(grid);
    BuildGateChannels(grid);
    BuildFaceChannels(grid);
    BuildSmallGroups(grid);
    // Each group's set waits for a successful get of its group.
    for (int id : kGroupSetIds) Find<QPushButton>(id)->setEnabled(false);
}

void CAttendAlarm::BuildDoorAndAlarm(QGridLayout* grid) {
    auto* door = new QGroupBox("门禁设置:");
    auto* doorRow = new QHBoxLayout(door);
    doorRow->addWidget(new QLabel("开锁后自动锁门时间："));
    unlockTime_ = Named(new QLineEdit, 1257);
    doorRow->addWidget(unlockTime_);
    doorRow->addWidget(new QLabel("(限制0-254秒)"));

    auto* alarm = new QGroupBox("TF卡报警开关设置:");
    auto* alarmRow = new QHBoxLayout(alarm);
    alarmRow->addWidget(new QLabel("报警开关状态："));
    alarm_ = Named(new QComboBox, 1253);
    alarm_->addItems({"关", "开"});
    alarm_->setCurrentIndex(-1);
    alarmRow->addWidget(alarm_);
    alarmRow->addStretch();

    auto* save = Named(new QPushButton("设置"), 1);
    connect(save, &QPushButton::clicked, this, &CAttendAlarm::SaveDoorAndAlarm);
    grid->addWidget(door, 0, 0);
    grid->addWidget(alarm, 1, 0);
    grid->addWidget(save, 2, 0, Qt::AlignRight);
}

void CAttendAlarm::BuildGateController(QGridLayout* grid) {
    auto* outer = new QGroupBox("无障碍通道");
    auto* outerLayout = new QVBoxLayout(outer);
    auto* group = new QGroupBox("修改地址绿灯和方向");
    outerLayout->addWidget(group);
    auto* form = new QGridLayout(group);
    currentAddress_ = Named(new QLineEdit, 1304);
    newAddress_ = Named(new QLineEdit, 1305);
    direction_ = Named(new QLineEdit, 1320);
    form->addWidget(new QLabel("当前通道地址:"), 0, 0);
    form->addWidget(currentAddress_, 0, 1);
    form->addWidget(new QLabel("当前通道新的地址:"), 1, 0);
    form->addWidget(newAddress_, 1, 1);
    form->addWidget(new QLabel("(范围:0-7)"), 1, 2);
    form->addWidget(new QLabel("通道方向："), 2, 0);
    form->addWidget(direction_, 2, 1);
    form->addWidget(new QLabel("(值:0或1)"), 2, 2);

    auto* buttons = new QHBoxLayout;
    auto* get = Named(new QPushButton("获取地址"), 1259);
    auto* led = Named(new QPushButton("关闭绿灯提示"), 1306);
    auto* setAddress = Named(new QPushButton("设置地址"), 1275);
    auto* setDirection = Named(new QPushButton("设置方向"), 1319);
    for (QPushButton* button : {get, led, setAddress, setDirection}) buttons->addWidget(button);
    form->addLayout(buttons, 3, 0, 1, 3);
    outerLayout->addStretch();

    connect(get, &QPushButton::clicked, this, [this] {
        const AddressOutcome result = Run([&] { return GetGateAddress(Endpoint()); }, Busy::Reading);
        if (result.address) currentAddress_->setText(DeviceQString(*result.address));
        Show(result.outcome);
    });
    connect(led, &QPushButton::clicked, this, [this] {
        const auto current = Typed(currentAddress_);
        if (!current) return;
        Show(Run([&] { return TurnOffGreenLed(Endpoint(), *current); }));
    });
    connect(setAddress, &QPushButton::clicked, this, [this] {
        const auto current = Typed(currentAddress_);
        const auto wanted = current ? Typed(newAddress_) : std::nullopt;
        if (!current || !wanted) return;
        const AddressOutcome result = Run([&] { return SetGateAddress(Endpoint(), *current, *wanted); });
        if (result.address) currentAddress_->setText(DeviceQString(*result.address));
        Show(result.outcome);
    });
    connect(setDirection, &QPushButton::clicked, this, [this] {
        const auto current = Typed(currentAddress_);
        const auto dire = current ? Typed(direction_) : std::nullopt;
        if (!current || !dire) return;
        Show(Run([&] { return SetGateDirection(Endpoint(), *current, *dire); }));
    });
    grid->addWidget(outer, 3, 0, 2, 1);
}

void CAttendAlarm::BuildGateChannels(QGridLayout* grid) {
    auto* group = new QGroupBox("闸机通道");
    auto* layout = new QGridLayout(group);
    for (int i = 0; i < 4; ++i) {
        layout->addWidget(new QLabel(QString("通道%1：").arg(i + 1)), i, 0);
        gateIn_[i] = Named(new QRadioButton("进"), kGateInIds[i]);
        gateOut_[i] = Named(new QRadioButton("出"), kGateOutIds[i]);
        gateSound_[i] = Named(new QCheckBox("音箱播报"), kGateSoundIds[i]);
        // Each channel's pair is kept by the handlers, not by the group box.
        gateIn_[i]->setAutoExclusive(false);
        gateOut_[i]->setAutoExclusive(false);
        layout->addWidget(gateIn_[i], i, 1);
        layout->addWidget(gateOut_[i], i, 2);
        layout->addWidget(gateSound_[i], i, 3);
        connect(gateIn_[i], &QRadioButton::clicked, this, [this, i] { ClickGateIn(i); });
        connect(gateOut_[i], &QRadioButton::clicked, this, [this, i] { ClickGateOut(i); });
    }
    auto* get = Named(new QPushButton("获取(&G)"), 1344);
    auto* set = Named(new QPushButton("设置(&S)"), 1345);
    layout->addWidget(get, 4, 2);
    layout->addWidget(set, 4, 3);
    connect(get, &QPushButton::clicked, this, [this, set] {
        const GateChannelsRead read = Run([&] { return ReadGateChannels(Endpoint()); }, Busy::Reading);
        Show(read.outcome);
        if (!read.outcome.Succeeded()) return;
        for (std::size_t i = 0; i < read.channels.size(); ++i) {
            const int channel = static_cast<int>(i);
            if (read.channels[i].outbound) ClickGateOut(channel);
            else ClickGateIn(channel);
            gateSound_[i]->setChecked(read.channels[i].announce);
        }
        set->setEnabled(true);
    });
    connect(set, &QPushButton::clicked, this, [this] {
        std::array<GateChannel, kTerminalChannels> channels;
        for (int i = 0; i < kTerminalChannels; ++i) {
            channels[i] = {gateOut_[i]->isChecked(), gateSound_[i]->isChecked()};
        }
        Show(Run([&] { return WriteGateChannels(Endpoint(), channels); }));
    });
    grid->addWidget(group, 0, 1, 2, 1);
}

void CAttendAlarm::BuildFaceChannels(QGridLayout* grid) {
    auto* group = new QGroupBox("人脸识别通道");
    auto* layout = new QGridLayout(group);
    for (int i = 0; i < 4; ++i) {
        layout->addWidget(new QLabel(QString("通道%1：").arg(i + 1)), i, 0);
        faceIn_[i] = Named(new QRadioButton("进"), kFaceInIds[i]);
        faceOut_[i] = Named(new QRadioButton("出"), kFaceOutIds[i]);
        faceIn_[i]->setAutoExclusive(false);
        faceOut_[i]->setAutoExclusive(false);
        layout->addWidget(faceIn_[i], i, 1);
        layout->addWidget(faceOut_[i], i, 2);
        connect(faceIn_[i], &QRadioButton::clicked, this, [this, i] { ClickFace(i, false); });
        connect(faceOut_[i], &QRadioButton::clicked, this, [this, i] { ClickFace(i, true); });
    }
    auto* get = Named(new QPushButton("获取(&E)"), 1367);
    auto* set = Named(new QPushButton("设置(&R)"), 1368);
    layout->addWidget(get, 4, 1);
    layout->addWidget(set, 4, 2);
    connect(get, &QPushButton::clicked, this, [this, set] {
        const FaceChannelsRead read = Run([&] { return ReadFaceChannels(Endpoint()); }, Busy::Reading);
        Show(read.outcome);
        if (!read.outcome.Succeeded()) return;
        for (std::size_t i = 0; i < read.outbound.size(); ++i) ClickFace(static_cast<int>(i), read.outbound[i]);
        if (!read.outbound.empty()) set->setEnabled(true);
    });
    connect(set, &QPushButton::clicked, this, [this] {
        std::array<bool, kTerminalChannels> outbound{};
        for (int i = 0; i < kTerminalChannels; ++i) outbound[i] = faceOut_[i]->isChecked();
        Show(Run([&] { return WriteFaceChannels(Endpoint(), outbound); }));
    });
    grid->addWidget(group, 2, 1, 2, 1);
}

void CAttendAlarm::BuildSmallGroups(QGridLayout* grid) {
    auto* right = new QVBoxLayout;

    auto* modeGroup = new QGroupBox("人脸识别闸机模式");
    auto* modeRow = new QHBoxLayout(modeGroup);
    mode10_ = Named(new QRadioButton("1.0"), 1357);
    mode20_ = Named(new QRadioButton("2.0"), 1360);
    auto* getMode = Named(new QPushButton("获取(&U)"), 1369);
    auto* setMode = Named(new QPushButton("设置(&I)"), 1370);
    for (QWidget* w : std::initializer_list<QWidget*>{mode10_, mode20_, getMode, setMode}) modeRow->addWidget(w);
    connect(getMode, &QPushButton::clicked, this, [this, setMode] {
        const FaceModeRead read = Run([&] { return ReadFaceMode(Endpoint()); }, Busy::Reading);
        Show(read.outcome);
        if (!read.outcome.Succeeded()) return;
        if (read.mode == 1) mode10_->setChecked(true);
        if (read.mode == 2) mode20_->setChecked(true);
        setMode->setEnabled(true);
    });
    connect(setMode, &QPushButton::clicked, this, [this] {
        const bool mode10 = mode10_->isChecked();
        Show(Run([&] { return WriteFaceMode(Endpoint(), mode10); }));
    });

    auto* speakerGroup = new QGroupBox("无线音箱");
    auto* speakerRow = new QHBoxLayout(speakerGroup);
    repeat_ = Named(new QComboBox, 1366);
    repeat_->addItems({"1", "2", "3"});
    repeat_->setCurrentIndex(-1);
    auto* getRepeat = Named(new QPushButton("获取(&U)"), 1371);
    auto* setRepeat = Named(new QPushButton("设置(&I)"), 1372);
    speakerRow->addWidget(new QLabel("播报次数："));
    for (QWidget* w : std::initializer_list<QWidget*>{repeat_, getRepeat, setRepeat}) speakerRow->addWidget(w);
    connect(repeat_, &QComboBox::currentIndexChanged, setRepeat, [setRepeat] { setRepeat->setEnabled(true); });
    connect(getRepeat, &QPushButton::clicked, this, [this, setRepeat] {
        const SpeakerRepeatRead read = Run([&] { return ReadSpeakerRepeat(Endpoint()); }, Busy::Reading);
        Show(read.outcome);
        if (!read.outcome.Succeeded()) return;
        setRepeat->setEnabled(true);
        repeat_->setCurrentIndex(read.entry);
    });
    connect(setRepeat, &QPushButton::clicked, this, [this] {
        // A device value above 3 leaves no entry chosen: nothing to send then.
        if (repeat_->currentIndex() < 0) {
            ShowMessage("请选择播报次数");
            return;
        }
        const std::string repeatTime = repeat_->currentText().toStdString();
        Show(Run([&] { return WriteSpeakerRepeat(Endpoint(), repeatTime); }));
    });

    auto* intervalGroup = new QGroupBox("人脸识别间隔设置");
    auto* intervalRow = new QHBoxLayout(intervalGroup);
    interval_ = Named(new QLineEdit, 1373);
    auto* getInterval = Named(new QPushButton("获取(&U)"), 1374);
    auto* setInterval = Named(new QPushButton("设置(&I)"), 1375);
    intervalRow->addWidget(new QLabel("识别间隔："));
    intervalRow->addWidget(interval_);
    intervalRow->addWidget(new QLabel("(限制0-127秒)"));
    intervalRow->addWidget(getInterval);
    intervalRow->addWidget(setInterval);
    connect(interval_, &QLineEdit::textEdited, setInterval, [setInterval] { setInterval->setEnabled(true); });
    connect(getInterval, &QPushButton::clicked, this, [this, setInterval] {
        const FaceIntervalRead read = Run([&] { return ReadFaceInterval(Endpoint()); }, Busy::Reading);
        Show(read.outcome);
        if (!read.outcome.Succeeded()) return;
        interval_->setText(DeviceQString(read.interval));
        setInterval->setEnabled(true);
    });
    connect(setInterval, &QPushButton::clicked, this, [this] {
        const auto interval = Typed(interval_);
        if (!interval) return;
        Show(Run([&] { return WriteFaceInterval(Endpoint(), *interval); }));
    });

    right->addWidget(modeGroup);
    right->addWidget(speakerGroup);
    right->addWidget(intervalGroup);
    grid->addLayout(right, 4, 1);
}

void CAttendAlarm::Load() {
    const DoorAlarmRead read = Run([&] { return ReadDoorAlarm(Endpoint()); }, Busy::Reading);
    Show(read.outcome);
    alarm_->setCurrentIndex(read.values.alarmOn ? 1 : 0);
    unlockTime_->setText(DeviceQString(read.values.unlockTime));
}

void CAttendAlarm::SaveDoorAndAlarm() {
    const auto unlockTime = Typed(unlockTime_);
    if (!unlockTime) return;
    const DoorAlarm values{alarm_->currentIndex() == 1, *unlockTime};
    const TerminalOutcome outcome = Run([&] { return WriteDoorAlarm(Endpoint(), values); });
    Show(outcome);
    if (outcome.Sent()) accept();
}

void CAttendAlarm::ClickGateIn(int channel) {
    gateIn_[channel]->setChecked(true);
    gateOut_[channel]->setChecked(false);
    gateSound_[channel]->setChecked(true);
    gateSound_[channel]->setEnabled(false);
}

void CAttendAlarm::ClickGateOut(int channel) {
    gateIn_[channel]->setChecked(false);
    gateOut_[channel]->setChecked(true);
    gateSound_[channel]->setEnabled(true);
}

void CAttendAlarm::ClickFace(int channel, bool outbound) {
    faceIn_[channel]->setChecked(!outbound);
    faceOut_[channel]->setChecked(outbound);
}

}  // namespace ostrand
