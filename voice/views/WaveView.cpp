#include "voice/views/WaveView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>

#include <unistd.h>
#include <cstring>

#include "core/AppSettings.h"
#include "core/Paths.h"
#include "device/audio/AudioFormat.h"
#include "device/base/Utf.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "WaveView";
constexpr int kSerialStream = 1;
constexpr int kSoundCardStream = 0;

}  // namespace

CWndWaveForm::CWndWaveForm(QWidget* parent) : QWidget(parent) {
    setObjectName("WaveForm");
}

void CWndWaveForm::SetBlock(bool serial, const std::uint8_t* data) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Block& block = serial ? serial_ : sound_card_;
        std::memcpy(block.data(), data, audio::kBlockBytes);
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

CWndWaveForm::Block CWndWaveForm::Serial() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return serial_;
}

CWndWaveForm::Block CWndWaveForm::SoundCard() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sound_card_;
}

void CWndWaveForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(192, 192, 192));
    const int middle = height() / 2;
    const auto draw = [&](const Block& block, int left) {
        for (std::size_t i = 0; i < block.size(); ++i) {
            int half = block[i] / 512;
            if (half > 64)
                half = 0;
            const int x = left + static_cast<int>(i);
            painter.drawLine(x, middle - half, x, middle + half);
        }
    };
    painter.setPen(QColor(0, 96, 0));
    draw(SoundCard(), 20);
    painter.setPen(QColor(0, 0, 160));
    draw(Serial(), 200);
}

std::string CWaveView::RecordFolder() {
    const std::string program = NativePath(ProgramFolder());
    if (::access(program.c_str(), W_OK) == 0)
        return program;
    return NativePath(DataFolder());
}

CWaveView::CWaveView(audio::IAudioLib* lib, QWidget* parent)
    : QWidget(parent, Qt::Tool), lib_(lib) {
    setObjectName("WaveView");
    setWindowTitle(LocalQText("Title", kSection));
    setFixedSize(400, 300);
    serial_box_ = new QCheckBox(LocalQText("RecordSerial", kSection), this);
    serial_box_->setObjectName("RecordSerial");
    serial_box_->setChecked(true);
    serial_box_->setGeometry(10, 8, 180, 22);
    sound_card_box_ = new QCheckBox(LocalQText("RecordCard", kSection), this);
    sound_card_box_->setObjectName("RecordCard");
    sound_card_box_->setChecked(true);
    sound_card_box_->setGeometry(200, 8, 190, 22);
    const std::string folder = RecordFolder();
    folder_ =
        new QLabel(LocalQText("RecordFolder", kSection).arg(QString::fromStdString(folder)), this);
    folder_->setObjectName("RecordFolder");
    folder_->setGeometry(10, 270, 380, 22);
    form_ = new CWndWaveForm(this);
    form_->setGeometry(10, 36, 380, 228);
    connect(serial_box_, &QCheckBox::toggled, this, &CWaveView::FollowBoxes);
    connect(sound_card_box_, &QCheckBox::toggled, this, &CWaveView::FollowBoxes);

    audio::IAudioStream* serial = lib_->Stream(kSerialStream);
    audio::IAudioStream* card = lib_->Stream(kSoundCardStream);
    for (audio::IAudioStream* stream : {serial, card}) {
        if (stream != nullptr)
            stream->AddListener(this);
    }
    serial_ = lib_->CreateRecorder(folder + "Serial.wav");
    sound_card_ = lib_->CreateRecorder(folder + "AudioCard.wav");
    if (serial_ != nullptr && serial != nullptr)
        serial->AddListener(serial_);
    if (sound_card_ != nullptr && card != nullptr)
        card->AddListener(sound_card_);
    FollowBoxes();
}

CWaveView::~CWaveView() {
    audio::IAudioStream* serial = lib_->Stream(kSerialStream);
    audio::IAudioStream* card = lib_->Stream(kSoundCardStream);
    for (audio::IAudioStream* stream : {serial, card}) {
        if (stream != nullptr)
            stream->RemoveListener(this);
    }
    if (serial_ != nullptr) {
        if (serial != nullptr)
            serial->RemoveListener(serial_);
        serial_->Release();
    }
    if (sound_card_ != nullptr) {
        if (card != nullptr)
            card->RemoveListener(sound_card_);
        sound_card_->Release();
    }
}

void CWaveView::Show() {
    show();
    raise();
}

void CWaveView::FollowBoxes() {
    ResumeRecorders();
}

void CWaveView::ResumeRecorders() {
    for (auto [recorder, box] : {std::pair{serial_, serial_box_}, {sound_card_, sound_card_box_}}) {
        if (recorder == nullptr)
            continue;
        if (box->isChecked())
            recorder->Resume();
        else
            recorder->Pause();
    }
}

void CWaveView::PauseRecorders() {
    for (audio::IWavRecorder* recorder : {serial_, sound_card_}) {
        if (recorder != nullptr)
            recorder->Pause();
    }
}

void CWaveView::OnAudioIn(audio::IAudioStream* stream, const std::uint8_t* data,
                          std::size_t bytes) {
    if (bytes != audio::kBlockBytes || data == nullptr)
        return;
    form_->SetBlock(stream != nullptr && stream->Index() == kSerialStream, data);
}

}  // namespace dedevev
