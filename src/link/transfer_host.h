#pragma once

#include "editor.h"

#include <string>

namespace morvi::link {

// What a transfer needs of the main window and nothing else: the two boxes
// that completion reads, the refresh, the confirmation, the focus and the
// progress panel. The window implements it; tests record it.
class TransferHost {
public:
    enum class Button { LeseButton, ProgButton };

    virtual ~TransferHost() = default;

    // CBzyk and maxBegrenzung as they stand, for makeEDATA.
    virtual SendBoxes sendBoxes() const = 0;
    // The full refresh of the window from the image.
    virtual void showdata() = 0;
    // Applies what readEDATA left to the window (send-limit box, Normal caption).
    virtual void applyDerivedState(const DerivedState &derived) = 0;
    // Modal Yes/No question; true only for Yes.
    virtual bool confirm(const std::string &question) = 0;
    virtual void setFocus(Button button) = 0;

    // The progress panel PanProg with Laction, Gauge and GaugeGesamt.
    virtual void showPanProg(bool visible) = 0;
    virtual void setLaction(const std::string &text) = 0;
    virtual void setGauge(int percent) = 0;
    virtual void showGaugeGesamt(bool visible) = 0;
    virtual void setGaugeGesamt(int percent) = 0;
};

} // namespace morvi::link
