#include "terminal/break_preamble.h"

#include "serial/mscomm.h"

void SendBreakPreamble(CMSComm& comm) {
    const QByteArray zero(1, '\0');
    comm.SetOutput(zero);
    comm.SetBreak(true);
    try {
        comm.SetOutput(zero);
    } catch (...) {
        // A line left in break silences the port until it is reopened.
        try {
            comm.SetBreak(false);
        } catch (...) {
        }
        throw;
    }
    comm.SetBreak(false);
}
