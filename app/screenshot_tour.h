#pragma once

#include <QString>

// Pictures for the documentation (scripts/screenshot): once the main window is up, opens the card
// status window and the card configuration dialog in turn with their own buttons, saves a picture of
// each and of the main window into `dir`, and leaves the program without saving settings.
void StartScreenshotTour(const QString& dir);
