// The setup tool's one dialog: five check boxes for the start-up options,
// SAVE and Abort. Laid out in dialog units, so it scales with the font.
#pragma once

#include <wx/dialog.h>

#include "settings/settings.h"

class SetupDialog : public wxDialog {
public:
    explicit SetupDialog(wxWindow* parent);

    // The exchange between the options and the check boxes.
    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

private:
    void onInitDialog(wxInitDialogEvent& event);
    void onSave(wxCommandEvent& event);
    void onCancel(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);
    void dumpControls() const;

    SetupOptions options_;
};
