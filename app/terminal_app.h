#pragma once

struct CommandLine;

// The application object: prepares the process, runs the main window modally, and ends.
class CTerminalApp {
public:
    // Returns the process exit code. The command line may ask to open Com1 this run, whatever port
    // was saved, and to start a session log.
    int InitInstance(const CommandLine& commandLine);
};
