#pragma once

#include "editor.h"

#include <QString>

namespace morvi::files {

// What the file commands need from the main window, and nothing more.
class ConfigFileHost {
public:
    virtual ~ConfigFileHost() = default;
    // The states of CBzyk and maxBegrenzung, read by makeEDATA before saving.
    virtual SendBoxes sendBoxes() const = 0;
    // The selected serial port's name, e.g. "COM1"; saved as line 129.
    virtual QString serialPortName() const = 0;
    // The current text of the firmware label; saved in line 140.
    virtual QString firmwareLabel() const = 0;
    // After a load: check maxBegrenzung (its click handling runs) and show
    // maxAnz when asked to; set the Normal type caption and refresh when
    // readEDATA applied the Normal preset.
    virtual void applyDerivedState(const DerivedState &derived) = 0;
    // The current file name changed; the status bar shows it.
    virtual void showFileName(const QString &name) = 0;
    // The full refresh of the window from the image.
    virtual void showdata() = 0;
};

} // namespace morvi::files
