// Dialog 139, "Extended Card Configuration". Template order is the tab order: the groups from top left
// to bottom right, each read top to bottom, left to right.
#include "res/dialog_template.h"
#include "res/resource.h"

#include <string>
#include <vector>

namespace {

using K = ControlKind;

constexpr unsigned kBox = kStyleBorder | kStyleAutoHScroll;

std::vector<ControlTemplate> MakeControls() {
    std::vector<ControlTemplate> c = {
        {IDC_STATIC, K::Group, "Ad Hoc Mode", 7, 6, 121, 129},
        {IDC_ADHOC_ENABLE, K::Check, "Enable", 14, 18, 50, 10},
        {IDC_ADHOC_TX_POWER_LABEL, K::Text, "TX Power", 14, 35, 48, 8},
        {IDC_ADHOC_TX_POWER, K::NumberBox, "1133", 66, 33, 34, 12, kBox},
        {IDC_ADHOC_CHANNEL_LABEL, K::Text, "Override Chan.", 14, 52, 50, 8},
        {IDC_ADHOC_CHANNEL, K::List, "", 66, 50, 55, 120},
        {IDC_BASIC_RATES_LABEL, K::Text, "Basic", 14, 70, 48, 8},
        {IDC_TX_RATES_LABEL, K::Text, "Tx", 70, 70, 48, 8},
    };
    static const char* const kRates[4] = {"1M bits", "2M bits", "5.5M bits", "11M bits"};
    for (int i = 0; i < 4; ++i) {
        c.push_back({IDC_BASIC_RATE_FIRST + i, K::Check, kRates[i], 14, 82 + 12 * i, 50, 10});
        c.push_back({IDC_TX_RATE_FIRST + i, K::Check, kRates[i], 70, 82 + 12 * i, 50, 10});
    }

    c.push_back({IDC_STATIC, K::Group, "BSS APs", 134, 6, 130, 68});
    c.push_back({IDC_PREFERRED_MAC_LABEL, K::Text, "Preferred MAC Address", 141, 18, 110, 8});
    for (int i = 0; i < 6; ++i)
        c.push_back({IDC_PREFERRED_MAC_FIRST + i, K::Edit, "", 141 + 20 * i, 28, 18, 12, kBox});
    c.push_back({IDC_STATIC, K::Text, "Mandatory MAC Address", 141, 45, 110, 8});
    for (int i = 0; i < 6; ++i)
        c.push_back({IDC_MANDATORY_MAC_FIRST + i, K::Edit, "", 141 + 20 * i, 55, 18, 12, kBox});

    c.push_back({IDOK, K::Button, "OK", 270, 6, 64, 17});
    c.push_back({IDCANCEL, K::Button, "Cancel", 270, 27, 64, 17});
    c.push_back(
        {IDC_EXT_INFO, K::Edit, "", 270, 48, 64, 32, kStyleBorder | kStyleMultiLine | kStyleReadOnly});

    c.push_back({IDC_STATIC, K::Group, "Miscellaneous Parameters", 133, 78, 201, 57});
    c.push_back({IDC_STATIC, K::Text, "188 Restart Delay (ticks)", 140, 92, 90, 8});
    c.push_back({IDC_RESTART_DELAY, K::NumberBox, "1158", 232, 90, 34, 12, kBox});
    c.push_back({IDC_STATIC, K::Text, "Comm Port 2 Baud", 140, 107, 90, 8});
    c.push_back({IDC_PORT2_BAUD, K::List, "", 232, 105, 50, 120});
    c.push_back({IDC_ENABLE_APPLICATION, K::Check, "Enable Application", 140, 121, 80, 10});
    c.push_back({IDC_LONG_PREAMBLE, K::Check, "Long RF Preamble", 232, 121, 80, 10});

    c.push_back(
        {IDC_STATIC, K::Group, "Enhanced Radio Power Down [All values are in seconds]", 7, 139, 327, 36});
    c.push_back({IDC_POWER_DOWN_ENABLE, K::Check, "Enable", 14, 155, 50, 10});
    c.push_back({IDC_POWER_ON_LABEL, K::Text, "On:", 80, 156, 18, 8});
    c.push_back({IDC_POWER_ON, K::NumberBox, "1163", 100, 154, 34, 12, kBox});
    c.push_back({IDC_POWER_OFF_LABEL, K::Text, "Off:", 150, 156, 18, 8});
    c.push_back({IDC_POWER_OFF, K::NumberBox, "1166", 170, 154, 34, 12, kBox});
    c.push_back({IDC_POWER_IDLE_LABEL, K::Text, "Idle:", 220, 156, 18, 8});
    c.push_back({IDC_POWER_IDLE, K::NumberBox, "1168", 240, 154, 34, 12, kBox});

    c.push_back({IDC_STATIC, K::Group, "WEP", 7, 179, 327, 98});
    c.push_back({IDC_STATIC, K::Text, "Authentication:", 14, 193, 55, 8});
    c.push_back({IDC_WEP_AUTH, K::List, "", 71, 191, 80, 60});
    static const char* const kUse[4] = {"Use WEP Key 1", "Use WEP Key 2", "Use WEP Key 3", "Use WEP Key 4"};
    for (int k = 0; k < 4; ++k) {
        const int y = 211 + 16 * k;
        c.push_back({IDC_WEP_KEY_USE_FIRST + k, K::Radio, kUse[k], 14, y + 1, 78, 10,
                     k == 0 ? kStyleGroup : kStyleNone});
        for (int j = 1; j <= 13; ++j)
            c.push_back(
                {IDC_WEP_KEY_FIRST - 1 + 13 * k + j, K::Edit, "", 97 + 16 * (j - 1), y, 14, 12, kBox});
        c.push_back({IDC_STATIC, K::Text, "(HEX)", 307, y + 2, 24, 8});
    }
    return c;
}

} // namespace

const DialogTemplate& ExtCardConfigDialogTemplate() {
    static const std::vector<ControlTemplate> controls = MakeControls();
    static const DialogTemplate t{
        IDD_EXT_CARD_CONFIG, "Extended Card Configuration", 341, 284, "MS Sans Serif", 8, controls};
    return t;
}
