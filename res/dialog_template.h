#pragma once

#include <cstddef>
#include <span>

// A dialog described as data: its controls in template order, positions in dialog units.
enum class ControlKind {
    Text,          // static text
    Frame,         // empty rectangle drawn as a frame
    Icon,          // static icon; text holds the icon's resource number
    Button,        // push button
    Check,         // automatic check box
    Toggle,        // push-like check box whose state the program sets itself
    BitmapButton,  // push button showing a bitmap
    List,          // drop-down list; h is the height of the dropped list
    Edit,          // edit box
    Custom,        // a control that has no look of its own (the serial control)
    Group,         // group box: a titled frame drawn behind the controls it surrounds
    Radio,         // radio button; kStyleGroup starts a new group of them
    IpAddress,     // IPv4 address box (CIpAddressBox)
    NumberBox,     // read-only number box with its arrow control (CNumberBox); text holds the arrow's id
};

enum ControlStyle : unsigned {
    kStyleNone = 0,
    kStyleSunken = 1u << 0,      // sunken border
    kStyleBorder = 1u << 1,      // plain border
    kStyleCenter = 1u << 2,      // text centred horizontally
    kStyleVCenter = 1u << 3,     // text centred vertically
    kStyleMultiLine = 1u << 4,   // edit: several lines
    kStyleReadOnly = 1u << 5,    // edit: read-only
    kStyleVScroll = 1u << 6,     // vertical scroll bar
    kStyleWantReturn = 1u << 7,  // edit: Enter makes a line break
    kStyleFlat = 1u << 8,        // buttons and check boxes drawn flat
    kStyleAutoHScroll = 1u << 9, // edit: scrolls sideways instead of stopping at the edge
    kStyleInvisible = 1u << 10,  // not shown at run time
    kStyleGroup = 1u << 11,      // radio: the first of a new group
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text; // UTF-8
    int x, y, w, h;   // dialog units
    unsigned style = kStyleNone;
};

struct DialogTemplate {
    int id;
    const char* title; // UTF-8
    int width, height; // client size in dialog units
    const char* fontFace;
    int pointSize;
    std::span<const ControlTemplate> controls;
};

const DialogTemplate& MainDialogTemplate();       // 102, the main window
const DialogTemplate& AboutDialogTemplate();      // 100
const DialogTemplate& CardStatusDialogTemplate(); // 136
const DialogTemplate& CardConfigDialogTemplate(); // 137
const DialogTemplate& ExtCardConfigDialogTemplate(); // 139
const DialogTemplate* FindDialogTemplate(int id);
