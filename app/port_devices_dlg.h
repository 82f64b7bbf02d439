#pragma once

#include "res/dialog_builder.h"
#include "serial/serial_device_list.h"

#include <QDialog>
#include <array>
#include <vector>

class CProfile;
class IPrompts;
class QComboBox;
class QLabel;

// "串口设备": which device each of Com1 to Com4 opens. Each port gets a list of the devices present
// now and takes any typed path; OK writes the changed ones to [Devices] at once.
class CPortDevicesDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPorts = 4;

    CPortDevicesDlg(CProfile& profile, ISerialDeviceList& devices, IPrompts& prompts, QWidget* parent = nullptr);

    QComboBox* DeviceBox(int port) const; // port 1 to 4
    QLabel* InfoLabel(int port) const;
    const CBuiltDialog& Built() const { return m_built; }
    // After OK: the port numbers whose device changed.
    const std::vector<short>& Changed() const { return m_changed; }

    void OnRefresh();
    void OnOK();

private:
    void FillDevices();
    void ShowInfo(int port);

    CProfile& m_profile;
    ISerialDeviceList& m_devices;
    IPrompts& m_prompts;
    CBuiltDialog m_built;
    std::vector<SerialDeviceInfo> m_present;
    std::vector<short> m_changed;
};

const DialogTemplate& PortDevicesDialogTemplate();
