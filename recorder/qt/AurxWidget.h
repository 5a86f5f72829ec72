// AurxWidget: the recorder control placed on a Qt form. It owns one AURX300Ctrl, shows its
// level meter, raises its events on the GUI thread as Qt signals, and mirrors its dispatch
// interface as Qt properties and invokable methods for Designer, scripts and plain Qt code.
// C++ hosts that want the full typed interface use control().
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <memory>

#include "aurx/AURX300Ctrl.h"
#include "aurx/CallResult.h"
#include "aurxqt/aurxqt_export.h"

class QSocketNotifier;

namespace aurxqt {

class SignalSink;

class AURXQT_EXPORT AurxWidget : public QWidget, private aurx::ControlSite {
    Q_OBJECT
    // Appearance.
    Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(uint LowColor READ LowColor WRITE setLowColor)
    Q_PROPERTY(uint MidColor READ MidColor WRITE setMidColor)
    Q_PROPERTY(uint HighColor READ HighColor WRITE setHighColor)
    Q_PROPERTY(short NumSegments READ NumSegments WRITE setNumSegments)
    Q_PROPERTY(short Orientation READ Orientation WRITE setOrientation)
    Q_PROPERTY(short Style READ Style WRITE setStyle)
    // Recording format and file type.
    Q_PROPERTY(int SampleRate READ SampleRate WRITE setSampleRate)
    Q_PROPERTY(short BitsPerSample READ BitsPerSample WRITE setBitsPerSample)
    Q_PROPERTY(short NumChannels READ NumChannels WRITE setNumChannels)
    Q_PROPERTY(short PlayOnly READ PlayOnly WRITE setPlayOnly)
    Q_PROPERTY(short DataOnly READ DataOnly WRITE setDataOnly)
    Q_PROPERTY(QByteArray AcmFormat READ AcmFormat WRITE setAcmFormat DESIGNABLE false)
    // Recording.
    Q_PROPERTY(float PreToneDuration READ PreToneDuration WRITE setPreToneDuration)
    Q_PROPERTY(float PostToneDuration READ PostToneDuration WRITE setPostToneDuration)
    Q_PROPERTY(int RecordLimit READ RecordLimit WRITE setRecordLimit)
    Q_PROPERTY(double RecordTimeLimit READ RecordTimeLimit WRITE setRecordTimeLimit STORED false)
    Q_PROPERTY(int RecordDevice READ RecordDevice WRITE setRecordDevice)
    Q_PROPERTY(int PlaybackDevice READ PlaybackDevice WRITE setPlaybackDevice)
    Q_PROPERTY(short Insert READ Insert WRITE setInsert)
    // Not part of the control's saved design state.
    Q_PROPERTY(float PreRollTime READ PreRollTime WRITE setPreRollTime STORED false)
    // Voice-operated switch.
    Q_PROPERTY(short VoxChannel READ VoxChannel WRITE setVoxChannel)
    Q_PROPERTY(float VoxStartLevel READ VoxStartLevel WRITE setVoxStartLevel)
    Q_PROPERTY(float VoxStopLevel READ VoxStopLevel WRITE setVoxStopLevel)
    Q_PROPERTY(short VoxTime READ VoxTime WRITE setVoxTime)
    // Run-time state: not something a form stores.
    Q_PROPERTY(short Status READ Status DESIGNABLE false STORED false)
    Q_PROPERTY(QString Filename READ Filename DESIGNABLE false STORED false)
    Q_PROPERTY(
        short TemporaryFile READ TemporaryFile WRITE setTemporaryFile DESIGNABLE false STORED false)
    Q_PROPERTY(int NumSamples READ NumSamples DESIGNABLE false STORED false)
    Q_PROPERTY(short Paused READ Paused WRITE setPaused DESIGNABLE false STORED false)
    Q_PROPERTY(int CurrentSamplePosition READ CurrentSamplePosition WRITE setCurrentSamplePosition
                   DESIGNABLE false STORED false)
    Q_PROPERTY(double CurrentTimePosition READ CurrentTimePosition WRITE setCurrentTimePosition
                   DESIGNABLE false STORED false)
    Q_PROPERTY(double TotalTime READ TotalTime DESIGNABLE false STORED false)
    Q_PROPERTY(short VoxPaused READ VoxPaused DESIGNABLE false STORED false)
    Q_PROPERTY(int NRecordDevices READ NRecordDevices DESIGNABLE false STORED false)
    Q_PROPERTY(int NPlaybackDevices READ NPlaybackDevices DESIGNABLE false STORED false)
    // LastError is read-and-clear, so it is a method: a property browser must not clear it.

  public:
    explicit AurxWidget(QWidget* parent = nullptr);
    // Places a control the host has built (for example on devices of its own).
    explicit AurxWidget(std::unique_ptr<aurx::AURX300Ctrl> control, QWidget* parent = nullptr);
    ~AurxWidget() override;

    aurx::AURX300Ctrl& control() { return *control_; }
    const aurx::AURX300Ctrl& control() const { return *control_; }

    // The default extent at the screen's resolution.
    QSize sizeHint() const override;

    // A host that does not need events at once (its window minimised) may stop watching the
    // control and raise the waiting events itself with raiseWaitingEvents(), saving a wake-up
    // per event; watching again raises whatever waited meanwhile.
    void setWatchingEvents(bool watching);
    void raiseWaitingEvents() { pumpNotifications(); }

    // The description of the last refused property setting (empty when none has been).
    Q_INVOKABLE QString lastRefusal() const { return lastRefusal_; }

    // Properties. Each setter returns false when the control refuses the value; the property
    // then keeps its old value and lastRefusal() tells why.
    uint BackColor() const { return control_->get_BackColor(); }
    bool setBackColor(uint v) { return apply(control_->put_BackColor(v)); }
    uint LowColor() const { return control_->get_LowColor(); }
    bool setLowColor(uint v) { return apply(control_->put_LowColor(v)); }
    uint MidColor() const { return control_->get_MidColor(); }
    bool setMidColor(uint v) { return apply(control_->put_MidColor(v)); }
    uint HighColor() const { return control_->get_HighColor(); }
    bool setHighColor(uint v) { return apply(control_->put_HighColor(v)); }
    short NumSegments() const { return control_->get_NumSegments(); }
    bool setNumSegments(short v) { return apply(control_->put_NumSegments(v)); }
    short Orientation() const { return control_->get_Orientation(); }
    bool setOrientation(short v) { return apply(control_->put_Orientation(v)); }
    short Style() const { return control_->get_Style(); }
    bool setStyle(short v) { return apply(control_->put_Style(v)); }

    int SampleRate() const { return control_->get_SampleRate(); }
    bool setSampleRate(int v) { return apply(control_->put_SampleRate(v)); }
    short BitsPerSample() const { return control_->get_BitsPerSample(); }
    bool setBitsPerSample(short v) { return apply(control_->put_BitsPerSample(v)); }
    short NumChannels() const { return control_->get_NumChannels(); }
    bool setNumChannels(short v) { return apply(control_->put_NumChannels(v)); }
    short PlayOnly() const { return control_->get_PlayOnly(); }
    bool setPlayOnly(short v) { return apply(control_->put_PlayOnly(v)); }
    short DataOnly() const { return control_->get_DataOnly(); }
    bool setDataOnly(short v) { return apply(control_->put_DataOnly(v)); }
    // The format block's bytes; empty when none is set.
    QByteArray AcmFormat() const;
    bool setAcmFormat(const QByteArray& block);

    float PreToneDuration() const { return control_->get_PreToneDuration(); }
    bool setPreToneDuration(float v) { return apply(control_->put_PreToneDuration(v)); }
    float PostToneDuration() const { return control_->get_PostToneDuration(); }
    bool setPostToneDuration(float v) { return apply(control_->put_PostToneDuration(v)); }
    int RecordLimit() const { return control_->get_RecordLimit(); }
    bool setRecordLimit(int v) { return apply(control_->put_RecordLimit(v)); }
    double RecordTimeLimit() const { return control_->get_RecordTimeLimit(); }
    bool setRecordTimeLimit(double v) { return apply(control_->put_RecordTimeLimit(v)); }
    int RecordDevice() const { return control_->get_RecordDevice(); }
    bool setRecordDevice(int v) { return apply(control_->put_RecordDevice(v)); }
    int PlaybackDevice() const { return control_->get_PlaybackDevice(); }
    bool setPlaybackDevice(int v) { return apply(control_->put_PlaybackDevice(v)); }
    short Insert() const { return control_->get_Insert(); }
    bool setInsert(short v) { return apply(control_->put_Insert(v)); }
    float PreRollTime() const { return control_->get_PreRollTime(); }
    bool setPreRollTime(float v) { return apply(control_->put_PreRollTime(v)); }

    short VoxChannel() const { return control_->get_VoxChannel(); }
    bool setVoxChannel(short v) { return apply(control_->put_VoxChannel(v)); }
    float VoxStartLevel() const { return control_->get_VoxStartLevel(); }
    bool setVoxStartLevel(float v) { return apply(control_->put_VoxStartLevel(v)); }
    float VoxStopLevel() const { return control_->get_VoxStopLevel(); }
    bool setVoxStopLevel(float v) { return apply(control_->put_VoxStopLevel(v)); }
    short VoxTime() const { return control_->get_VoxTime(); }
    bool setVoxTime(short v) { return apply(control_->put_VoxTime(v)); }

    short Status() const { return control_->get_Status(); }
    QString Filename() const;
    short TemporaryFile() const { return control_->get_TemporaryFile(); }
    bool setTemporaryFile(short v) { return apply(control_->put_TemporaryFile(v)); }
    int NumSamples() const { return control_->get_NumSamples(); }
    short Paused() const { return control_->get_Paused(); }
    bool setPaused(short v) { return apply(control_->put_Paused(v)); }
    int CurrentSamplePosition() const { return control_->get_CurrentSamplePosition(); }
    bool setCurrentSamplePosition(int v) { return apply(control_->put_CurrentSamplePosition(v)); }
    double CurrentTimePosition() const { return control_->get_CurrentTimePosition(); }
    bool setCurrentTimePosition(double v) { return apply(control_->put_CurrentTimePosition(v)); }
    double TotalTime() const { return control_->get_TotalTime(); }
    short VoxPaused() const { return control_->get_VoxPaused(); }
    int NRecordDevices() const { return control_->get_NRecordDevices(); }
    int NPlaybackDevices() const { return control_->get_NPlaybackDevices(); }

    // Methods of the dispatch interface; each returns its error code, which the control also
    // keeps in LastError when it is not 0.
    Q_INVOKABLE short LastError() { return control_->get_LastError(); }
    Q_INVOKABLE short Reset() { return control_->Reset(); }
    Q_INVOKABLE void Stop() { control_->Stop(); }
    Q_INVOKABLE short OpenNewFile(const QString& filename);
    Q_INVOKABLE short OpenTemporaryFile() { return control_->OpenTemporaryFile(); }
    Q_INVOKABLE short OpenExistingOrNewFile(const QString& filename);
    // leftLevel, leftOverload, rightLevel and rightOverload.
    Q_INVOKABLE QVariantMap GetLevels() const;
    Q_INVOKABLE short StartRecording() { return control_->StartRecording(); }
    Q_INVOKABLE short ContinueInNewFile(const QString& filename, float leadInTime);
    Q_INVOKABLE short StartPlayback() { return control_->StartPlayback(); }
    Q_INVOKABLE short ShowMixer(short mixerType) { return control_->ShowMixer(mixerType); }
    Q_INVOKABLE short DeleteSamples(int nSamples) { return control_->DeleteSamples(nSamples); }
    Q_INVOKABLE short DeleteTime(double time) { return control_->DeleteTime(time); }
    Q_INVOKABLE short RePack() { return control_->RePack(); }
    Q_INVOKABLE short ChooseAcmFormat(int hwndOwner, const QString& dialogTitle);
    Q_INVOKABLE short ChooseSpecificAcmFormat(int hwndOwner, const QString& dialogTitle,
                                              short waveFormat);
    // The description, or an empty string with the error code in LastError.
    Q_INVOKABLE QString GetAcmFormatAsString();
    Q_INVOKABLE QString GetCurrentFormatAsString();
    Q_INVOKABLE QString RecordDeviceName(int deviceNumber) const;
    Q_INVOKABLE QString PlaybackDeviceName(int deviceNumber) const;
    // The control's property page, modal, for this control; true when it was applied.
    Q_INVOKABLE bool ShowPropertyPage();

  signals:
    // The control's events, raised on the GUI thread after the call that caused them.
    void RecordingStopped(short errorCode);
    void PlaybackStopped(short errorCode);
    void NewLevelValues(float leftLevel, short leftOverload, float rightLevel, short rightOverload);
    void NewVoxState(short voxState);
    void InputStalled(int samplePosition);
    void InputResumed(int samplePosition, int stalledSamples);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void invalidate() override;
    bool apply(const aurx::CallResult& result);
    void pumpNotifications();

    std::unique_ptr<aurx::AURX300Ctrl> control_;
    std::shared_ptr<SignalSink> sink_;
    int sinkCookie_ = 0;
    QSocketNotifier* notifier_ = nullptr;  // owned by this widget
    QString lastRefusal_;
};

}  // namespace aurxqt
