#pragma once

// The application object: prepares the process, runs the main window modally, and ends.
class CTerminalApp {
public:
    // Returns the process exit code.
    int InitInstance();
};
