#pragma once

class CMSComm;

// Output 00, Break on, Output 00, Break off, with no waiting in between. Used by the WNMP send
// protocol and before every card request.
void SendBreakPreamble(CMSComm& comm);
