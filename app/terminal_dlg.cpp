#include "app/terminal_dlg.h"

#include "app/profile.h"
#include "app/prompts.h"
#include "app/quit_guard_prompts.h"
#include "app/settings.h"
#include "card/card_protocol.h"
#include "card/data_exchange.h"
#include "res/artwork.h"
#include "res/resource.h"
#include "serial/clock.h"
#include "serial/mscomm.h"
#include "serial/port_tables.h"
#include "serial/serial_device_list.h"
#include "terminal/counter_label.h"
#include "terminal/receive_view.h"
#include "terminal/send_protocol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTextDocument>

namespace {

constexpr int kAnimationPeriodMs = 2500;
constexpr int kReopenPollMs = 500;

const std::array<const char*, 3> kSaveProtocolNames{"Original", "TCP", "WNMP"};

enum class Notification { Clicked, SelChange };

struct MessageMapEntry {
    int id;
    Notification code;
    void (CTerminalDlg::*handler)();
};

template <typename Table>
void FillList(QComboBox* list, const Table& table, int selection, const char* (*text)(const typename Table::value_type&)) {
    list->clear();
    for (const auto& row : table)
        list->addItem(QString::fromUtf8(text(row)));
    SelectIndex(list, selection);
}

const char* PlainText(const char* const& row) { return row; }

} // namespace

// The window's message table: which handler each control notification runs.
#define ON_CLICKED(id, fn) {id, Notification::Clicked, &CTerminalDlg::fn}
#define ON_SELCHANGE(id, fn) {id, Notification::SelChange, &CTerminalDlg::fn}
static const MessageMapEntry kMessageMap[] = {
    ON_CLICKED(IDC_AUTO_CLEAR, OnAutoClearToggle),
    ON_CLICKED(IDC_AUTO_SEND, OnAutoSendToggle),
    ON_CLICKED(IDC_HEX_SEND, OnHexSendToggle),
    ON_CLICKED(IDC_HEX_DISPLAY, OnHexDisplayToggle),
    ON_CLICKED(IDC_RESET_COUNTERS, OnResetCounters),
    ON_CLICKED(IDC_PIN, OnPin),
    ON_CLICKED(IDC_CLEAR_RECEIVE, OnClearReceive),
    ON_CLICKED(IDC_CLEAR_SEND, OnClearSend),
    ON_CLICKED(IDC_CHOOSE_SAVE_FILE, OnChooseSaveFile),
    ON_CLICKED(IDC_CHOOSE_SEND_FILE, OnChooseSendFile),
    ON_SELCHANGE(IDC_PORT, OnPortSelected),
    ON_SELCHANGE(IDC_BAUD, OnBaudSelected),
    ON_SELCHANGE(IDC_PARITY, OnParitySelected),
    ON_SELCHANGE(IDC_DATABITS, OnDataBitsSelected),
    ON_SELCHANGE(IDC_STOPBITS, OnStopBitsSelected),
    ON_SELCHANGE(IDC_HANDSHAKE, OnHandshakeSelected),
    ON_CLICKED(IDC_MANUAL_SEND, OnManualSend),
    ON_CLICKED(IDC_CLOSE_PORT, OnClosePort),
    ON_CLICKED(IDC_STOP_DISPLAY, OnStopDisplay),
    ON_CLICKED(IDC_SAVE_RECEIVED, OnSaveReceived),
    ON_CLICKED(IDC_SEND_FILE, OnSendFile),
    ON_SELCHANGE(IDC_SEND_PROTOCOL, OnSendProtocolChanged),
    ON_SELCHANGE(IDC_SAVE_PROTOCOL, OnSaveProtocolChanged),
    ON_CLICKED(IDC_CHOOSE_COMPARE_FILE, OnChooseCompareFile),
    ON_CLICKED(IDC_RESET_RX_AFTER_SAVE, OnResetRxAfterSaveToggle),
    ON_CLICKED(IDC_CARD_RESET, OnCardReset),
    ON_CLICKED(IDC_READ_CARD_STATUS, OnReadCardStatus),
    ON_CLICKED(IDC_CONFIGURE_CARD, OnConfigureCard),
    ON_CLICKED(IDC_DTR, OnDtr),
    ON_CLICKED(IDC_RTS, OnRts),
    ON_CLICKED(IDC_DSR, OnDsr),
    ON_CLICKED(IDC_CTS, OnCts),
    ON_CLICKED(IDOK, OnOK),
};
#undef ON_CLICKED
#undef ON_SELCHANGE

CTerminalDlg::CTerminalDlg(CMSComm& comm, IPrompts& prompts, CProfile& profile, IClock& clock, QWidget* parent)
    : QDialog(parent), m_rxBuffer(new std::uint8_t[kRxBufferSize]()),
      m_answer(new std::uint8_t[kAnswerBufferSize]()), m_ctrlComm(comm),
      m_pQuitGuard(std::make_unique<CQuitGuardPrompts>(prompts, [this] { return Quitting(); })),
      m_prompts(*m_pQuitGuard), m_profile(profile), m_clock(clock) {
    m_hIcon = ResIcon(IDR_MAINFRAME);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    m_built = BuildDialog(*this, MainDialogTemplate(), [](const ControlTemplate& c, QWidget& parent) -> QWidget* {
        if (c.id != IDC_RECEIVE)
            return nullptr;
        auto* view = new CReceiveView(&parent);
        view->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        return view;
    });
    auto ctl = [this](int id) { return m_built.byId.at(id); };
    m_ctrlPort = static_cast<QComboBox*>(ctl(IDC_PORT));
    m_ctrlBaud = static_cast<QComboBox*>(ctl(IDC_BAUD));
    m_ctrlParity = static_cast<QComboBox*>(ctl(IDC_PARITY));
    m_ctrlDataBits = static_cast<QComboBox*>(ctl(IDC_DATABITS));
    m_ctrlStopBits = static_cast<QComboBox*>(ctl(IDC_STOPBITS));
    m_ctrlHandshake = static_cast<QComboBox*>(ctl(IDC_HANDSHAKE));
    m_ctrlSendProtocol = static_cast<QComboBox*>(ctl(IDC_SEND_PROTOCOL));
    m_ctrlSaveProtocol = static_cast<QComboBox*>(ctl(IDC_SAVE_PROTOCOL));
    m_ctrlClosePort = static_cast<QPushButton*>(ctl(IDC_CLOSE_PORT));
    m_ctrlStopDisplay = static_cast<QPushButton*>(ctl(IDC_STOP_DISPLAY));
    m_ctrlManualSend = static_cast<QPushButton*>(ctl(IDC_MANUAL_SEND));
    m_ctrlSendFile = static_cast<QPushButton*>(ctl(IDC_SEND_FILE));
    m_ctrlCardReset = static_cast<QPushButton*>(ctl(IDC_CARD_RESET));
    m_ctrlReadCardStatus = static_cast<QPushButton*>(ctl(IDC_READ_CARD_STATUS));
    m_ctrlConfigureCard = static_cast<QPushButton*>(ctl(IDC_CONFIGURE_CARD));
    m_ctrlDTR = static_cast<CToggleButton*>(ctl(IDC_DTR));
    m_ctrlRTS = static_cast<CToggleButton*>(ctl(IDC_RTS));
    m_ctrlDSR = static_cast<CToggleButton*>(ctl(IDC_DSR));
    m_ctrlCTS = static_cast<CToggleButton*>(ctl(IDC_CTS));
    m_ctrlPin = static_cast<CBitmapButton*>(ctl(IDC_PIN));
    m_ctrlAutoClear = static_cast<QCheckBox*>(ctl(IDC_AUTO_CLEAR));
    m_ctrlHexDisplay = static_cast<QCheckBox*>(ctl(IDC_HEX_DISPLAY));
    m_ctrlHexSend = static_cast<QCheckBox*>(ctl(IDC_HEX_SEND));
    m_ctrlAutoSend = static_cast<QCheckBox*>(ctl(IDC_AUTO_SEND));
    m_ctrlResetRxAfterSave = static_cast<QCheckBox*>(ctl(IDC_RESET_RX_AFTER_SAVE));
    m_ctrlLamp = static_cast<QLabel*>(ctl(IDC_LAMP));
    m_ctrlStatus = static_cast<QLabel*>(ctl(IDC_STATUS));
    m_ctrlRxCount = static_cast<QLabel*>(ctl(IDC_RX_COUNT));
    m_ctrlTxCount = static_cast<QLabel*>(ctl(IDC_TX_COUNT));
    new CCounterLabelPaint(m_ctrlRxCount); // a fast line changes the count every frame
    new CCounterLabelPaint(m_ctrlTxCount);
    m_ctrlReceive = static_cast<CReceiveView*>(ctl(IDC_RECEIVE));
    {
        // Plain text needs no shaping beyond what the font itself requires.
        QFont font = m_ctrlReceive->font();
        font.setStyleStrategy(QFont::PreferNoShaping);
        m_ctrlReceive->setFont(font);
    }
    m_ctrlSend = static_cast<QPlainTextEdit*>(ctl(IDC_SEND));
    m_ctrlPeriod = static_cast<QLineEdit*>(ctl(IDC_PERIOD));
    m_ctrlSendFilePath = static_cast<QLineEdit*>(ctl(IDC_SEND_FILE_PATH));
    m_ctrlSaveFile = static_cast<QLineEdit*>(ctl(IDC_SAVE_FILE));
    m_ctrlCompareFile = static_cast<QLineEdit*>(ctl(IDC_COMPARE_FILE));

    m_animTimer.setObjectName(QStringLiteral("animation"));
    m_autoSendTimer.setObjectName(QStringLiteral("autoSend"));
    m_reopenTimer.setObjectName(QStringLiteral("reopen"));
    m_receiveViewTimer.setObjectName(QStringLiteral("receiveView"));
    m_animTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_animTimer, &QTimer::timeout, this, &CTerminalDlg::OnAnimationTick);
    connect(&m_autoSendTimer, &QTimer::timeout, this, &CTerminalDlg::OnManualSend);
    m_reopenTimer.setInterval(kReopenPollMs);
    connect(&m_reopenTimer, &QTimer::timeout, this, &CTerminalDlg::OnReopenTick);
    m_receiveViewTimer.setSingleShot(true);
    m_receiveViewTimer.setInterval(CReceiveFeed::kViewMs);
    connect(&m_receiveViewTimer, &QTimer::timeout, this, &CTerminalDlg::FlushReceiveView);
    connect(&m_ctrlComm, &CMSComm::OnComm, this, &CTerminalDlg::OnComm);
    connect(m_ctrlSend->document(), &QTextDocument::contentsChange, this, &CTerminalDlg::OnSendTextChanged);
    NameControls();
    WireMessageMap();
    SetUpSessionLog();
    OnInitDialog();
}

void CTerminalDlg::NameControls() {
    LinkLabelBuddies(m_built);
    // Labels that do not sit right before their box in the template, and the boxes without a label.
    auto labelFor = [this](const char* text, QWidget* box) {
        for (QWidget* w : m_built.inOrder)
            if (auto* label = qobject_cast<QLabel*>(w); label && label->text() == QString::fromUtf8(text))
                label->setBuddy(box);
    };
    labelFor("接收区：", m_ctrlReceive);
    labelFor("发送的字符/数据：", m_ctrlSend);
    m_ctrlReceive->setAccessibleName(QStringLiteral("接收区"));
    m_ctrlSend->setAccessibleName(QStringLiteral("发送的字符/数据"));
    m_ctrlSaveFile->setAccessibleName(QStringLiteral("保存收到的数据的文件"));
    m_ctrlCompareFile->setAccessibleName(QStringLiteral("存储后比较的文件"));
    m_ctrlSendFilePath->setAccessibleName(QStringLiteral("要发送的文件"));
}

CTerminalDlg::~CTerminalDlg() {
    m_animTimer.stop();
    StopAutoSendTimer();
    m_reopenTimer.stop();
    disconnect(&m_ctrlComm, nullptr, this, nullptr);
    m_ctrlComm.SetOutputTap(nullptr);
}

QWidget* CTerminalDlg::Control(int id) const {
    auto it = m_built.byId.find(id);
    return it == m_built.byId.end() ? nullptr : it->second;
}

void CTerminalDlg::WireMessageMap() {
    for (const MessageMapEntry& entry : kMessageMap) {
        QWidget* w = Control(entry.id);
        const auto handler = entry.handler;
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (entry.code == Notification::Clicked && (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)))
            // A box can change without a click (a screen reader's toggle action); its handler reads
            // the box's state, so the program setting the box to the member's value changes nothing.
            connect(button, &QAbstractButton::toggled, this, [this, handler] { (this->*handler)(); });
        else if (entry.code == Notification::Clicked)
            connect(button, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
        else
            connect(static_cast<QComboBox*>(w), &QComboBox::activated, this, [this, handler] { (this->*handler)(); });
    }
}

void CTerminalDlg::OnInitDialog() {
    LoadSettings();
    UpdateData(false);
    setWindowIcon(m_hIcon);
    m_imageList = MakeImageList(ResBitmap(IDB_ANIMATION), kAnimationFrameWidth, kAnimationTransparent);
    m_hIconOpen = ResIcon(IDI_LAMP_LIT);
    m_hIconClosed = ResIcon(IDI_LAMP_DARK);
    FillLists();
    PlaceWindow();
    SetTopMost(m_bTopMost);
    m_animTimer.start(kAnimationPeriodMs);
    OpenPort();
}

void CTerminalDlg::FillLists() {
    FillList(m_ctrlPort, PortTable(), m_nPort, +[](const PortEntry& e) { return e.text; });
    FillList(m_ctrlBaud, BaudTable(), m_nBaud, PlainText);
    FillList(m_ctrlParity, ParityTable(), m_nParity, +[](const ParityEntry& e) { return e.text; });
    FillList(m_ctrlDataBits, DataBitsTable(), m_nDataBits, PlainText);
    FillList(m_ctrlStopBits, StopBitsTable(), m_nStopBits, PlainText);
    FillList(m_ctrlHandshake, HandshakeTable(), m_nHandshake, +[](const HandshakeEntry& e) { return e.text; });
    FillList(m_ctrlSendProtocol, SendProtocolNames(), m_nSendProtocol, PlainText);
    FillList(m_ctrlSaveProtocol, kSaveProtocolNames, m_nSaveProtocol, PlainText);
    ShowPortDevices();
}

void CTerminalDlg::PlaceWindow() {
    // A position saved on a monitor that is gone would leave the window out of sight.
    QRect frame(QPoint(m_nWindowX, m_nWindowY), frameGeometry().size());
    bool visible = false;
    for (const QScreen* screen : QGuiApplication::screens())
        visible = visible || screen->availableGeometry().intersected(frame).width() >= 40;
    QPoint where(m_nWindowX, m_nWindowY);
    if (!visible) {
        if (const QScreen* primary = QGuiApplication::primaryScreen()) {
            const QRect area = primary->availableGeometry();
            where = area.topLeft() + QPoint(std::max(0, (area.width() - frame.width()) / 2),
                                            std::max(0, (area.height() - frame.height()) / 2));
        }
    }
    move(where);
}

bool CTerminalDlg::IsTopMost() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

void CTerminalDlg::SetTopMost(bool topMost) {
    const QPoint where = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    move(where);
    show();
    raise();
    AddAboutToSystemMenu();
    UpdatePinBitmap();
}

void CTerminalDlg::UpdatePinBitmap() {
    m_ctrlPin->SetBitmap(ResBitmap(IsTopMost() ? IDB_PIN_PRESSED : IDB_PIN_LYING));
    m_ctrlPin->resize(m_ctrlPin->sizeHint());
    m_ctrlPin->setProperty("bitmapId", IsTopMost() ? IDB_PIN_PRESSED : IDB_PIN_LYING);
    m_ctrlPin->setAccessibleDescription(IsTopMost() ? QStringLiteral("开") : QStringLiteral("关"));
    m_ctrlPin->repaint();
}

void CTerminalDlg::OnPin() { SetTopMost(!IsTopMost()); }

void CTerminalDlg::OnAnimationTick() {
    const int frame = m_nAnimFrame++;
    if (frame >= 0 && static_cast<std::size_t>(frame) < m_imageList.size()) {
        // Only the small icon moves; the large sizes (title bar, task switcher) stay the program's own.
        QIcon icon;
        icon.addPixmap(m_imageList[frame].pixmap(QSize(kAnimationFrameWidth, 18)));
        for (const QSize& size : m_hIcon.availableSizes())
            if (size.width() > kAnimationFrameWidth)
                icon.addPixmap(m_hIcon.pixmap(size));
        setWindowIcon(icon);
    }
    if (static_cast<std::size_t>(m_nAnimFrame) >= m_imageList.size())
        m_nAnimFrame = 0;
}

void CTerminalDlg::OnComm() {
    switch (m_ctrlComm.GetCommEvent()) {
    case CMSComm::comEvReceive:
        ReadInput();
        break;
    case CMSComm::comEvCTS:
        RefreshCts();
        break;
    case CMSComm::comEvDSR:
        RefreshDsr();
        break;
    case CMSComm::comEventDeviceLost:
        // Told after whatever is waiting on the line has ended.
        QMetaObject::invokeMethod(this, &CTerminalDlg::OnDeviceLost, Qt::QueuedConnection);
        break;
    default:
        break;
    }
}
