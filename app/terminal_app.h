#pragma once

// The application object: prepares the process, runs the main window modally, and ends.
class CTerminalApp {
public:
    // Returns the process exit code. `startOnCom1`: open Com1 this run, whatever port was saved.
    int InitInstance(bool startOnCom1 = false);
};
