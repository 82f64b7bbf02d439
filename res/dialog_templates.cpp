#include "res/dialog_template.h"
#include "res/resource.h"

#include <array>
#include <vector>

namespace {

using K = ControlKind;

constexpr unsigned kFlat = kStyleFlat;
constexpr unsigned kSunkenCenter = kStyleSunken | kStyleCenter;

const ControlTemplate kMainControls[] = {
    {IDC_MSCOMM, K::Custom, "", 94, 153, 19, 20, kStyleInvisible},
    {IDC_STATIC, K::Frame, "", 0, 0, 107, 102, kStyleSunken},
    {IDC_STATIC, K::Text, "串口", 3, 4, 24, 9},
    {IDC_PORT, K::List, "", 31, 0, 71, 52},
    {IDC_STATIC, K::Text, "波特率", 3, 17, 24, 9},
    {IDC_BAUD, K::List, "", 31, 13, 71, 209},
    {IDC_STATIC, K::Text, "校验位", 3, 30, 24, 9},
    {IDC_PARITY, K::List, "", 31, 26, 71, 67},
    {IDC_STATIC, K::Text, "数据位", 3, 43, 24, 9},
    {IDC_DATABITS, K::List, "", 31, 39, 71, 66},
    {IDC_STATIC, K::Text, "停止位", 3, 56, 24, 9},
    {IDC_STOPBITS, K::List, "", 31, 52, 71, 52},
    {IDC_STATIC, K::Text, "协议", 3, 68, 24, 9},
    {IDC_HANDSHAKE, K::List, "", 31, 65, 71, 52},
    {IDC_LAMP, K::Icon, "129", 9, 78, 20, 20},
    {IDC_CLOSE_PORT, K::Button, "关闭串口", 60, 80, 42, 19},
    {IDC_CLEAR_RECEIVE, K::Button, "清空接收区", 1, 103, 41, 13},
    {IDC_STATIC, K::Text, "接收区：", 46, 103, 33, 13},
    {IDC_STOP_DISPLAY, K::Button, "停止显示", 1, 117, 41, 13},
    {IDC_AUTO_CLEAR, K::Check, "自动清空", 1, 131, 41, 8, kFlat},
    {IDC_HEX_DISPLAY, K::Check, "十六进制显示", 1, 142, 57, 8, kFlat},
    {IDC_RESET_RX_AFTER_SAVE, K::Check, "保存数据后RX清0", 1, 153, 77, 8, kFlat},
    {IDC_STATIC, K::Text, "存储协议：", 1, 162, 35, 12},
    {IDC_SAVE_PROTOCOL, K::List, "", 36, 162, 70, 52},
    {IDC_SAVE_RECEIVED, K::Button, "保存收到的数据", 1, 175, 70, 15},
    {IDC_CHOOSE_SAVE_FILE, K::Button, "更改", 71, 175, 36, 15},
    {IDC_SAVE_FILE, K::Edit, "", 1, 191, 106, 12, kStyleBorder | kStyleAutoHScroll},
    {IDC_RECEIVE, K::Edit, "", 109, 0, 274, 203, kStyleBorder | kStyleMultiLine | kStyleReadOnly | kStyleVScroll},
    {IDC_CLEAR_SEND, K::Button, "清空重填", 1, 203, 36, 15},
    {IDC_STATIC, K::Text, "发送的字符/数据：", 42, 204, 68, 13},
    {IDC_HEX_SEND, K::Check, "十六进制发送", 1, 220, 57, 8, kFlat},
    {IDC_MANUAL_SEND, K::Button, "手动发送", 69, 218, 41, 13},
    {IDC_AUTO_SEND, K::Check, "自动发送(周期改变后重选)", 1, 232, 106, 8, kFlat},
    {IDC_STATIC, K::Text, "自动发送周期：", 1, 244, 57, 8},
    {IDC_PERIOD, K::Edit, "", 58, 242, 32, 15, kStyleBorder | kStyleAutoHScroll},
    {IDC_STATIC, K::Text, "毫秒", 92, 245, 17, 8},
    {IDC_SEND, K::Edit, "", 112, 204, 271, 24, kStyleBorder | kStyleMultiLine | kStyleWantReturn | kStyleVScroll},
    {IDC_STATIC, K::Text, "发送数据采用的协议：", 112, 229, 78, 12},
    {IDC_SEND_PROTOCOL, K::List, "", 192, 228, 40, 52},
    {IDC_CHOOSE_COMPARE_FILE, K::Button, "存储后比较文件", 236, 229, 58, 12, kFlat},
    {IDC_COMPARE_FILE, K::Edit, "", 295, 229, 88, 12, kStyleBorder | kStyleAutoHScroll},
    {IDC_CHOOSE_SEND_FILE, K::Button, "选择发送文件", 112, 241, 56, 15},
    {IDC_SEND_FILE_PATH, K::Edit, "", 169, 241, 79, 15, kStyleBorder | kStyleAutoHScroll},
    {IDC_SEND_FILE, K::Button, "发送文件", 249, 241, 36, 15},
    {IDC_PIN, K::BitmapButton, "132", 4, 257, 8, 11},
    {IDC_STATUS, K::Text, "当前状态", 18, 257, 128, 11, kStyleSunken},
    {IDC_RX_COUNT, K::Text, "RX:0", 146, 257, 59, 11, kSunkenCenter},
    {IDC_TX_COUNT, K::Text, "TX:0", 205, 257, 59, 11, kSunkenCenter},
    {IDC_RESET_COUNTERS, K::Button, "计数器清0", 264, 257, 50, 11, kFlat},
    {IDC_STATIC, K::Icon, "134", 322, 249, 20, 20},
    {IDOK, K::Button, "关闭程序", 342, 242, 41, 27},
    {IDC_CARD_RESET, K::Button, "卡复位", 18, 270, 56, 14},
    {IDC_READ_CARD_STATUS, K::Button, "读卡状态", 74, 270, 56, 14},
    {IDC_CONFIGURE_CARD, K::Button, "配置卡", 130, 270, 56, 14},
    {IDC_DTR, K::Toggle, "DTR>", 195, 270, 31, 14, kFlat},
    {IDC_DSR, K::Toggle, "<DSR", 226, 270, 31, 14, kFlat},
    {IDC_RTS, K::Toggle, "RTS>", 257, 270, 31, 14, kFlat},
    {IDC_CTS, K::Toggle, "<CTS", 288, 270, 31, 14, kFlat},
};

const ControlTemplate kAboutControls[] = {
    {IDC_STATIC, K::Icon, "128", 11, 17, 20, 20},
    {IDC_STATIC, K::Text, "Serimo 1.0 版", 40, 10, 119, 8},
    {IDC_STATIC, K::Text, "串口终端与无线网卡维护工具", 40, 25, 119, 8},
    {IDOK, K::Button, "确定", 178, 7, 32, 14},
};

const char* const kStatusOffsets[15] = {"00", "01", "02", "08", "12", "28", "44", "60",
                                        "64", "65", "66", "67", "68", "69", "70"};
const char* const kStatusLabels[15] = {"单元类型", "子类型", "mac地址", "IP地址", "固件头版本/日期",
                                       "软件版本", "用户/站名", "时间（RTC格式）", "联系上了？", "连接协议",
                                       "连接上了？", "帧模式标志?", "串行方式?", "硬件平台类型",
                                       "标志802.11b协议"};

std::vector<ControlTemplate> MakeStatusControls() {
    std::vector<ControlTemplate> controls;
    for (int k = 0; k < 15; ++k) {
        const int y = 7 + 11 * k;
        controls.push_back({IDC_STATIC, K::Text, kStatusOffsets[k], 9, y, 23, 9, kStyleBorder | kStyleCenter});
        controls.push_back({IDC_STATIC, K::Text, kStatusLabels[k], 34, y, 61, 9, kStyleBorder});
        controls.push_back({IDC_STATUS_RAW_FIRST + k, K::Edit, "", 97, y - 1, 229, 12,
                            kStyleBorder | kStyleReadOnly | kStyleAutoHScroll});
        controls.push_back({IDC_STATUS_DECODED_FIRST + k, K::Text, "", 327, y, 135, 9, kStyleBorder | kStyleVCenter});
    }
    controls.push_back({IDCANCEL, K::Button, "退出", 209, 182, 50, 14});
    return controls;
}

constexpr unsigned kGroupStart = kStyleGroup;
constexpr unsigned kEditBox = kStyleBorder | kStyleAutoHScroll;
constexpr unsigned kWrap = kStyleMultiLine;

// In tab order: top rows, then the groups by their top edge, left to right, then the buttons. A label
// comes right before its box.
const ControlTemplate kCardConfigControls[] = {
    {IDC_STATIC, K::Text, "Unit Name:", 7, 8, 58, 8},
    {IDC_CFG_UNIT_NAME, K::Edit, "", 68, 6, 143, 12, kEditBox},
    {IDC_STATIC, K::Text, "802.11 ESS ID:", 7, 22, 58, 8},
    {IDC_CFG_ESS_ID, K::Edit, "", 68, 20, 143, 12, kEditBox},
    {IDC_STATIC, K::Text, "(clear ESS ID to use broadcast)", 215, 22, 140, 8},
    {IDC_CFG_CAPTURE_ESS_ID, K::Check, "Capture and save broadcast ESS ID in FLASH then clear this flag", 7, 34, 355, 10},

    {IDC_STATIC, K::Group, "IP Addressing", 7, 45, 128, 76},
    {IDC_STATIC, K::Text, "Local", 13, 58, 30, 8},
    {IDC_CFG_LOCAL_IP, K::IpAddress, "", 45, 56, 84, 13},
    {IDC_STATIC, K::Text, "Remote", 13, 74, 30, 8},
    {IDC_CFG_REMOTE_IP, K::IpAddress, "", 45, 72, 84, 13},
    {IDC_STATIC, K::Text, "Gateway", 13, 90, 30, 8},
    {IDC_CFG_GATEWAY_IP, K::IpAddress, "", 45, 88, 84, 13},
    {IDC_STATIC, K::Text, "Mask", 13, 106, 30, 8},
    {IDC_CFG_SUBNET_MASK, K::IpAddress, "", 45, 104, 84, 13},

    {IDC_STATIC, K::Group, "DHCP / BOOTP", 137, 45, 224, 94},
    {IDC_CFG_ENABLE_DHCP, K::Check, "Enable DHCP", 143, 57, 68, 10},
    {IDC_CFG_FLASH_DHCP, K::Check, "Flash DHCP settings upon response", 215, 57, 140, 10},
    {IDC_CFG_DHCP_TIMEOUT_LABEL, K::Text, "DHCP Response Timeout", 143, 72, 84, 8},
    {IDC_CFG_DHCP_TIMEOUT, K::Edit, "", 228, 70, 26, 12, kEditBox},
    {IDC_CFG_DHCP_TIMEOUT_NOTE, K::Text, "(iterations; 0 = never time out)", 257, 72, 100, 8},
    {IDC_CFG_SEND_UNIT_NAME_ID, K::Check, "Send Unit Name (above) as the unique ID in option 61", 143, 85, 212, 10},
    {IDC_CFG_GROUP_NAME_LABEL, K::Text, "Option nn Group Name", 143, 100, 84, 8},
    {IDC_CFG_GROUP_NAME, K::List, "", 228, 98, 100, 120},
    {IDC_CFG_REPLACE_REMOTE_IP, K::Check, "Replace static remote IP with BOOTP/DHCP server IP", 143, 112, 212, 10},
    {IDC_CFG_OPTION11_LABEL, K::Text, "Option 11 Index", 143, 126, 84, 8},
    {IDC_CFG_OPTION11, K::List, "", 228, 124, 100, 120},

    {IDC_STATIC, K::Group, "Protocol/Connection Options", 7, 128, 123, 96},
    {IDC_CFG_TCP, K::Radio, "TCP", 13, 140, 27, 10, kGroupStart},
    {IDC_CFG_UDP, K::Radio, "UDP", 40, 140, 29, 10},
    {IDC_CFG_DLP, K::Radio, "DLP", 69, 140, 27, 10},
    {IDC_CFG_TELNET, K::Radio, "Telnet", 96, 140, 33, 10},
    {IDC_CFG_CALL_REMOTE, K::Radio, "Call Remote", 13, 154, 55, 10, kGroupStart},
    {IDC_CFG_LISTEN, K::Radio, "Listen", 70, 154, 40, 10},
    {IDC_STATIC, K::Text, "Port:", 13, 170, 25, 8},
    {IDC_CFG_PORT, K::Edit, "", 40, 168, 40, 12, kEditBox},
    {IDC_CFG_RETRY_LABEL, K::Text, "Retry", 13, 185, 25, 8},
    {IDC_CFG_RETRY, K::Edit, "", 40, 183, 40, 12, kEditBox},
    {IDC_STATIC, K::Text, "ms", 83, 185, 15, 8},
    {IDC_CFG_CLOSE_OUT_OF_RANGE, K::Check, "Close the socket when the device is out of range for an extended period",
     13, 197, 113, 25, kWrap},

    {IDC_STATIC, K::Group, "Other Parameters", 132, 145, 108, 51},
    {IDC_STATIC, K::Text, "Manager MAC Address", 138, 155, 98, 8},
    {IDC_CFG_MANAGER_MAC_FIRST + 0, K::Edit, "", 138, 164, 15, 12, kEditBox},
    {IDC_CFG_MANAGER_MAC_FIRST + 1, K::Edit, "", 154, 164, 15, 12, kEditBox},
    {IDC_CFG_MANAGER_MAC_FIRST + 2, K::Edit, "", 170, 164, 15, 12, kEditBox},
    {IDC_CFG_MANAGER_MAC_FIRST + 3, K::Edit, "", 186, 164, 15, 12, kEditBox},
    {IDC_CFG_MANAGER_MAC_FIRST + 4, K::Edit, "", 202, 164, 15, 12, kEditBox},
    {IDC_CFG_MANAGER_MAC_FIRST + 5, K::Edit, "", 218, 164, 15, 12, kEditBox},
    {IDC_CFG_INHIBIT_MESSAGES, K::Check, "Inhibit run-time messages", 138, 178, 100, 17, kWrap},

    {IDC_STATIC, K::Group, "Power Save", 242, 146, 116, 78},
    {IDC_CFG_POWER_SAVE, K::Check, "Enable", 248, 158, 50, 10},
    {IDC_CFG_ALGORITHM_LABEL, K::Text, "Algorithm:", 248, 174, 66, 8},
    {IDC_CFG_ALGORITHM, K::NumberBox, "1093", 316, 172, 36, 12, kStyleBorder},
    {IDC_CFG_BEACON_MIN_LABEL, K::Text, "Beacon Minimum:", 248, 190, 66, 8},
    {IDC_CFG_BEACON_MIN, K::NumberBox, "1094", 316, 188, 36, 12, kStyleBorder},
    {IDC_CFG_BEACON_MAX_LABEL, K::Text, "Beacon Maximum:", 248, 206, 66, 8},
    {IDC_CFG_BEACON_MAX, K::NumberBox, "1095", 316, 204, 36, 12, kStyleBorder},

    {IDC_STATIC, K::Group, "Operation Options", 7, 228, 79, 94},
    {IDC_STATIC, K::Text, "Diversity:", 13, 240, 66, 8},
    {IDC_CFG_DIVERSITY, K::List, "", 13, 250, 66, 60},
    {IDC_STATIC, K::Text, "IO Mode", 13, 267, 66, 8},
    {IDC_CFG_ISA, K::Radio, "ISA", 13, 277, 30, 10, kGroupStart},
    {IDC_CFG_SERIAL, K::Radio, "Serial", 45, 277, 36, 10},
    {IDC_STATIC, K::Text, "Wakeup:", 13, 293, 66, 8},
    {IDC_CFG_WAKEUP_YES, K::Radio, "Yes", 13, 303, 30, 10, kGroupStart},
    {IDC_CFG_WAKEUP_NO, K::Radio, "No", 45, 303, 30, 10},

    {IDC_STATIC, K::Group, "Communications Settings", 87, 228, 125, 94},
    {IDC_STATIC, K::Text, "Baud", 93, 241, 22, 8},
    {IDC_CFG_BAUD, K::List, "", 118, 239, 56, 100},
    {IDC_STATIC, K::Text, "Format", 93, 256, 40, 8},
    {IDC_CFG_DIRECT, K::Radio, "Direct", 93, 266, 33, 10, kGroupStart},
    {IDC_CFG_STREAM, K::Radio, "Stream", 127, 266, 38, 10},
    {IDC_CFG_FRAME, K::Radio, "frame", 166, 266, 34, 10},
    {IDC_STATIC, K::Text, "Cmd Escape Char", 93, 282, 60, 8},
    {IDC_CFG_CMD_ESCAPE, K::Edit, "", 155, 280, 20, 12, kEditBox},
    {IDC_STATIC, K::Text, "(hex)", 178, 282, 30, 8},
    {IDC_CFG_BYTE_STUFFING, K::Check, "Enable byte-stuffing mode", 93, 295, 115, 10},
    {IDC_STATIC, K::Text, "Msg Prefix Char", 93, 309, 60, 8},
    {IDC_CFG_MSG_PREFIX, K::Edit, "", 155, 307, 20, 12, kEditBox},
    {IDC_STATIC, K::Text, "(ascii)", 178, 309, 30, 8},

    {IDC_CFG_SUPPRESS_EXTENDED, K::Check, "Suppress Extended Config", 223, 234, 130, 10},
    {IDC_CFG_EXTENDED, K::Button, "  Extended\nConfiguration", 222, 250, 68, 25},
    {IDC_CFG_PROGRAM, K::Button, "Program Card\nand Exit", 295, 249, 63, 25},
    {IDC_CFG_SAVE_FILE, K::Button, "Save to File", 222, 280, 68, 18},
    {IDC_CFG_SUMMARY, K::Button, "Summary", 295, 279, 63, 18},
    {IDC_CFG_RESTORE_FILE, K::Button, "Restore from File", 222, 303, 68, 18},
    {IDCANCEL, K::Button, "Cancel", 295, 302, 63, 18},
};

} // namespace

const DialogTemplate& MainDialogTemplate() {
    static const DialogTemplate t{IDD_TERMINAL_DIALOG, "Serimo" SERIMO_VERSION, 383, 284, "宋体", 9, kMainControls};
    return t;
}

const DialogTemplate& AboutDialogTemplate() {
    static const DialogTemplate t{IDD_ABOUTBOX, "关于Serimo", 217, 55, "宋体", 9, kAboutControls};
    return t;
}

const DialogTemplate& CardStatusDialogTemplate() {
    static const std::vector<ControlTemplate> controls = MakeStatusControls();
    static const DialogTemplate t{IDD_CARD_STATUS, "卡状态信息", 469, 203, "宋体", 9, controls};
    return t;
}

const DialogTemplate& CardConfigDialogTemplate() {
    static const DialogTemplate t{IDD_CARD_CONFIG, "Card Configuration", 369, 335, "MS Sans Serif", 8,
                                  kCardConfigControls};
    return t;
}

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate* t : {&MainDialogTemplate(), &AboutDialogTemplate(), &CardStatusDialogTemplate(),
                                   &CardConfigDialogTemplate(), &ExtCardConfigDialogTemplate()})
        if (t->id == id)
            return t;
    return nullptr;
}
