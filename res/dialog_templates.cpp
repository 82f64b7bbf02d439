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
    {IDC_STATIC, K::Frame, "", 0, 0, 79, 102, kStyleSunken},
    {IDC_STATIC, K::Text, "串口", 3, 4, 24, 9},
    {IDC_PORT, K::List, "", 31, 0, 43, 52},
    {IDC_STATIC, K::Text, "波特率", 3, 17, 24, 9},
    {IDC_BAUD, K::List, "", 31, 13, 43, 209},
    {IDC_STATIC, K::Text, "校验位", 3, 30, 24, 9},
    {IDC_PARITY, K::List, "", 31, 26, 43, 67},
    {IDC_STATIC, K::Text, "数据位", 3, 43, 24, 9},
    {IDC_DATABITS, K::List, "", 31, 39, 43, 66},
    {IDC_STATIC, K::Text, "停止位", 3, 56, 24, 9},
    {IDC_STOPBITS, K::List, "", 31, 52, 43, 52},
    {IDC_STATIC, K::Text, "协议", 3, 68, 24, 9},
    {IDC_HANDSHAKE, K::List, "", 31, 65, 43, 52},
    {IDC_LAMP, K::Icon, "129", 9, 78, 20, 20},
    {IDC_CLOSE_PORT, K::Button, "关闭串口", 39, 80, 35, 19},
    {IDC_CLEAR_RECEIVE, K::Button, "清空接收区", 1, 103, 41, 13},
    {IDC_STATIC, K::Text, "接收区：", 46, 103, 33, 13},
    {IDC_STOP_DISPLAY, K::Button, "停止显示", 1, 117, 41, 13},
    {IDC_AUTO_CLEAR, K::Check, "自动清空", 1, 131, 41, 8, kFlat},
    {IDC_HEX_DISPLAY, K::Check, "十六进制显示", 1, 142, 57, 8, kFlat},
    {IDC_RESET_RX_AFTER_SAVE, K::Check, "保存数据后RX清0", 1, 153, 77, 8, kFlat},
    {IDC_STATIC, K::Text, "存储协议：", 1, 162, 35, 12},
    {IDC_SAVE_PROTOCOL, K::List, "", 36, 162, 44, 52},
    {IDC_SAVE_RECEIVED, K::Button, "保存收到的数据", 1, 175, 54, 15},
    {IDC_CHOOSE_SAVE_FILE, K::Button, "更改", 55, 175, 24, 15},
    {IDC_SAVE_FILE, K::Edit, "", 1, 191, 78, 12, kStyleBorder | kStyleAutoHScroll},
    {IDC_RECEIVE, K::Edit, "", 81, 0, 302, 203, kStyleBorder | kStyleMultiLine | kStyleReadOnly | kStyleVScroll},
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

} // namespace

const DialogTemplate& MainDialogTemplate() {
    static const DialogTemplate t{IDD_TERMINAL_DIALOG, "Serimo2.1", 383, 284, "宋体", 9, kMainControls};
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

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate* t : {&MainDialogTemplate(), &AboutDialogTemplate(), &CardStatusDialogTemplate(),
                                   &ExtCardConfigDialogTemplate()})
        if (t->id == id)
            return t;
    return nullptr;
}
