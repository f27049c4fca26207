// The setup tool's one dialog: five check boxes for the start-up options,
// SAVE and Abort. Laid out in dialog units, so it scales with the font.
#pragma once

#include <wx/dialog.h>

#include "settings/settings.h"

class SetupDialog : public wxDialog {
public:
    explicit SetupDialog(wxWindow* parent);

    // Reads the options and shows any message while the window is still
    // hidden, then runs the dialog: it appears with its boxes already set.
    int ShowModal() override;

    // The exchange between the options and the check boxes.
    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

private:
    void onSave(wxCommandEvent& event);
    void onCancel(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);

    SetupOptions options_;
};
