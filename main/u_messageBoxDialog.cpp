// u_messageBoxDialog.cpp -- message boxes as modal wxWidgets dialogs.
#include "main/u_messageBoxDialog.h"

#include <wx/msgdlg.h>
#include <wx/window.h>

Platform::BoxAnswer ShowMessageDialog(const char* text, const char* caption, Platform::BoxButtons buttons) {
    wxWindow* focus = wxWindow::FindFocus();
    wxWindow* owner = focus ? wxGetTopLevelParent(focus) : nullptr;
    bool question = buttons == Platform::BoxButtons::YesNo;
    wxMessageDialog dialog(owner, wxString::FromUTF8(text), wxString::FromUTF8(caption),
                           wxCENTRE | wxSTAY_ON_TOP | (question ? (wxYES_NO | wxICON_QUESTION) : (wxOK | wxICON_ERROR)));
    int answer = dialog.ShowModal();
    if (!question)
        return Platform::BoxAnswer::Ok;
    return answer == wxID_YES ? Platform::BoxAnswer::Yes : Platform::BoxAnswer::No;
}
