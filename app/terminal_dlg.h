#pragma once

#include "card/card_config_record.h"
#include "card/card_protocol.h"
#include "res/dialog_builder.h"
#include "terminal/receive_feed.h"
#include "terminal/rx_capture.h"
#include "terminal/session_log.h"

#include <QDialog>
#include <QIcon>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMSComm;
class CProfile;
class IClock;
class IPrompts;
class ISerialDeviceList;
class QMenu;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class CReceiveView;

// The main window: the terminal and the card's service tool. It owns the capture buffer, the
// counters, the card records and every user setting; the serial control, the prompts, the profile and
// the clock are handed in so that tests can put fakes in their place.
class CTerminalDlg : public QDialog {
    Q_OBJECT

public:
    CTerminalDlg(CMSComm& comm, IPrompts& prompts, CProfile& profile, IClock& clock, QWidget* parent = nullptr);
    ~CTerminalDlg() override;

    // Port.
    bool OpenPort();
    void ClosePort();
    void RefreshDsr();
    void RefreshCts();

    // Receive path.
    void ReadInput();
    void ShowRxCount();
    void ShowTxCount();
    // Brings the receive area and RX up to date with what ReadInput took in (at most once per frame
    // on its own; callers that need the view current call it directly).
    void FlushReceiveView();

    // Settings.
    void LoadSettings();
    void SaveSettings();

    // Window.
    bool IsTopMost() const;
    void SetTopMost(bool topMost);
    void UpdatePinBitmap();

    // Send path.
    std::size_t ApplySendProtocol(std::vector<std::uint8_t>& bytes);
    void OnManualSend();
    void OnHexSendToggle();
    void OnSendProtocolChanged();
    void OnAutoSendToggle();
    void ArmAutoSendTimer();
    void StopAutoSendTimer();
    void OnChooseSendFile();
    void OnSendFile();
    // Waits, bounded, until the control has sent everything it holds; false when it gave up.
    bool DrainOutput(std::size_t bytesQueued);

    // Card.
    void SendCardFrame(const std::vector<std::uint8_t>& frame);
    int RunCardExchange(CardRequest request, int room);
    std::uint32_t HandleCardAnswer(int count);
    void OnCardReset();
    void OnReadCardStatus();
    void OnConfigureCard();
    // Opens the configuration dialog on m_config; returns whether it ended with OK and whether its
    // "Suppress Extended Config" box was ticked.
    virtual bool RunCardConfigDialog(bool& suppressExtended);
    // Writes m_config (all of it, or the basic part) and checks the card's acknowledgement against
    // what was sent, byte for byte.
    bool WriteCardConfig(bool extended);

    // Dialog data exchange: members to controls, or controls to members with validation (false, with
    // a message and the focus on the offending control, when a value is not acceptable).
    bool UpdateData(bool saveAndValidate);
    void OnOK();
    // Ending from outside (a quit signal, a console's close event): from then on no box or dialog
    // opens, a card exchange or a wait for output stops at its next look at the line, and the window
    // ends as its close box ends it, settings unsaved. Quitting() also holds as soon as the request is
    // marked (CQuitSignals::Request), while a wait still holds up the event loop.
    void BeginQuit();
    bool Quitting() const;
    // The timers' handlers (an automatic send is OnManualSend): the icon's animation, and a look for
    // a lost device that may have come back.
    void OnAnimationTick();
    void OnReopenTick();
    void OnAbout();
    // The window's own menu: About, the serial devices dialog, reopening a device that comes back.
    void FillContextMenu(QMenu& menu);
    void OnPortDevices();
    void OnReopenWhenBackToggle();
    // The session log (from the menu with a file chooser, or started with a file and format) and the
    // arrival stamps of the receive area.
    void OnLogToggle();
    bool StartLog(const QString& path, LogFormat format);
    void StopLog();
    CSessionLog& SessionLog() { return *m_pLog; }
    void OnTimestampsToggle();
    void OnLineEndChosen(LineEnd rule);
    // The devices the device dialog offers and whose return is watched for; the platform's unless a
    // test hands in its own.
    void SetDeviceList(ISerialDeviceList* list) { m_pDeviceList = list; }
    ISerialDeviceList& DeviceList();
    // The port list's tooltips: the device each entry opens.
    void ShowPortDevices();

    QWidget* Control(int id) const;

    // Handlers of the message table.
    void OnPortSelected();
    void OnBaudSelected();
    void OnParitySelected();
    void OnDataBitsSelected();
    void OnStopBitsSelected();
    void OnHandshakeSelected();
    void OnClosePort();
    void OnDtr();
    void OnRts();
    void OnDsr();
    void OnCts();
    void OnAutoClearToggle();
    void OnHexDisplayToggle();
    void OnResetRxAfterSaveToggle();
    void OnStopDisplay();
    void OnResetCounters();
    void OnClearReceive();
    void OnClearSend();
    void OnPin();
    void OnSaveReceived();
    void OnChooseSaveFile();
    void OnChooseCompareFile();
    void OnSaveProtocolChanged();
    // Capture saving: the two dumps, what follows a TCP dump, the viewer.
    void WriteTcpDump();
    void WriteWnmpDump();
    void AfterTcpDump(const QString& dumpPath, std::uint64_t bytesWritten);
    void OpenInNotepad(const QString& path);
    const CBuiltDialog& Built() const { return m_built; }
    const std::vector<QIcon>& AnimationIcons() const { return m_imageList; }

    // The window's state as tests and the benchmark see it: a control by its id, the log's indicator
    // (made in code, without an id), the counters, the capture and what the receive area shows.
    template <class T> T* Control(int id) const { return qobject_cast<T*>(Control(id)); }
    QLabel* LogIndicator() const { return m_ctrlLogIndicator; }
    std::int64_t RxCount() const { return m_nRxCount; }
    std::int64_t TxCount() const { return m_nTxCount; }
    // RX set as if that much had come, so a test of a full capture need not send it.
    void SetRxCount(std::int64_t count) { m_nRxCount = count; }
    const std::uint8_t* Captured() const { return m_rxBuffer.get(); }
    // Stores bytes in the capture and counts them (ReadInput, and tests that fill it without a line).
    void Capture(const std::uint8_t* bytes, std::size_t n) {
        CaptureReceived(m_rxBuffer.get(), m_nRxCount, bytes, n);
    }
    const CReceiveFeed& Feed() const { return m_feed; }
    const CardConfigRecord& Config() const { return m_config; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void OnInitDialog();
    void WireMessageMap();
    void FillLists();
    void PlaceWindow();
    void AddAboutToSystemMenu();
    void OnComm();
    void OnDeviceLost();
    bool TryOpenPort(bool quiet);
    void NameControls();
    void EnablePortControls(bool enable);
    void SelectAndOpen(QComboBox* list, int& index);
    void OnSendTextChanged(int position, int removed, int added);
    QString SettingsString() const;
    qint64 LineTimeMs(std::size_t bytes) const;
    void SetUpSessionLog();
    void AddLogMenuItems(QMenu& menu);
    void OnLogFailed(const QString& reason);
    // "Com1 (/dev/ttyUSB0) 115200,N,8,1", how the log names the port.
    QString LogPortText() const;
    void WriteSettingNow(const QString& section, const QString& key, const QString& value);

    // --- members (the window's working state)
    bool m_bDisplay = true;
    std::int64_t m_nTxCount = 0;
    std::int64_t m_nRxCount = 0;
    bool m_bTopMost = false;
    std::vector<QIcon> m_imageList;
    QIcon m_hIconOpen;
    QIcon m_hIconClosed;
    int m_nWindowX = 100;
    int m_nWindowY = 100;
    std::unique_ptr<std::uint8_t[]> m_rxBuffer; // kRxBufferSize bytes
    std::unique_ptr<std::uint8_t[]> m_answer;   // kAnswerBufferSize bytes
    CardConfigRecord m_config;
    CardConfigRecord m_configReadBack;
    bool m_bAutoClear = false;
    bool m_bAutoSend = false;
    bool m_bAutoSendOn = false; // ticked on in this run: runs whenever the port is open
    bool m_bHexDisplay = false;
    bool m_bHexSend = false;
    CMSComm& m_ctrlComm;
    unsigned m_nAutoSendPeriod = 1000;
    QString m_strSendFile;
    QString m_strSaveFile;
    int m_nPort = -1, m_nBaud = -1, m_nParity = -1, m_nDataBits = -1, m_nStopBits = -1;
    int m_nHandshake = -1;
    CReceiveFeed m_feed; // what the receive area shows
    QString m_strSend;
    int m_nSendProtocol = -1;
    int m_nSaveProtocol = -1;
    QString m_strCompareFile;
    bool m_bResetRxAfterSave = false;
    QIcon m_hIcon;
    bool m_bReopenWhenBack = false;
    QString m_strLostDevice; // the device a lost port is waiting for
    bool m_bTimestamps = false;
    QString m_strLogPath; // the last log file chosen

    // Controls.
    QComboBox *m_ctrlPort, *m_ctrlBaud, *m_ctrlParity, *m_ctrlDataBits, *m_ctrlStopBits, *m_ctrlHandshake;
    QComboBox *m_ctrlSendProtocol, *m_ctrlSaveProtocol;
    QPushButton *m_ctrlClosePort, *m_ctrlStopDisplay, *m_ctrlManualSend, *m_ctrlSendFile;
    QPushButton *m_ctrlCardReset, *m_ctrlReadCardStatus, *m_ctrlConfigureCard;
    CToggleButton *m_ctrlDTR, *m_ctrlRTS, *m_ctrlDSR, *m_ctrlCTS;
    CBitmapButton* m_ctrlPin;
    QCheckBox *m_ctrlAutoClear, *m_ctrlHexDisplay, *m_ctrlHexSend, *m_ctrlAutoSend, *m_ctrlResetRxAfterSave;
    QLabel *m_ctrlLamp, *m_ctrlStatus, *m_ctrlRxCount, *m_ctrlTxCount;
    CReceiveView* m_ctrlReceive;
    QPlainTextEdit* m_ctrlSend;
    QLineEdit *m_ctrlPeriod, *m_ctrlSendFilePath, *m_ctrlSaveFile, *m_ctrlCompareFile;
    QLabel* m_ctrlLogIndicator; // shown while a log runs

    bool m_bQuitting = false;
    std::unique_ptr<IPrompts> m_pQuitGuard; // what m_prompts is: nothing opens once quitting
    IPrompts& m_prompts;
    CProfile& m_profile;
    IClock& m_clock;
    CBuiltDialog m_built;
    // Children of the window, by name, so that a test or a debugging tool can find them.
    QTimer m_animTimer{this};
    QTimer m_autoSendTimer{this};
    QTimer m_reopenTimer{this};
    ISerialDeviceList* m_pDeviceList = nullptr;
    std::unique_ptr<ISerialDeviceList> m_ownDeviceList;
    int m_nAnimFrame = 0;
    QTimer m_receiveViewTimer{this};
    bool m_bRxCountStale = false;
    int m_nSendTextBytes = 0;
    bool m_bLimitingSendText = false;
    bool m_bSending = false;
    bool m_bDrainWarned = false;
    std::unique_ptr<CSessionLog> m_pLog;
};
