// u_setupApp.cpp -- SetupApp: the installer's start-up, shut-down and application-wide key filter.
//
// Start-up takes the run mutex before anything else, keeps the log off unless "debug" is given,
// shows the splash while the setup data is loaded and checked, and only then opens the wizard.
// A failed start-up ends the program without a wizard and without the exit summaries.
#include "main/u_setupApp.h"

#include <wx/cmdline.h>
#include <wx/image.h>
#include <wx/mstream.h>
#include <wx/splash.h>

#include "common/s_log.h"
#include "common/s_mutex.h"
#include "main/u_messageBoxDialog.h"
#include "main/u_setupLanguage.h"
#include "main/u_setupRessource.h"
#include "memsafe/s_mem.h"
#include "platform/s_platform.h"
#include "setup_data_crc.h"

// main() is u_setupMain.cpp's: it decides between the wizard and the unattended mode.
wxIMPLEMENT_APP_NO_MAIN(SetupApp);

namespace {

constexpr int32_t kLogSizeLimit = 250000;
constexpr int32_t kDebugLogLevel = 3;

wxBitmap LoadPngResource(const char* name) {
    const unsigned char* data = nullptr;
    size_t size = 0;
    if (!Platform::FindResource(name, "PNG", &data, &size))
        return wxBitmap();
    wxMemoryInputStream stream(data, size);
    wxImage image(stream, wxBITMAP_TYPE_PNG);
    return image.IsOk() ? wxBitmap(image) : wxBitmap();
}

}  // namespace

bool SetupApp::OnInit() {
    Platform::SetMessageBoxHandler(ShowMessageDialog);
    if (!gRunMutex.Check(nullptr, nullptr, "RUNSETUP.MUTEX"))
        return false;
    gLog.Start(-1, -1, nullptr, false, kLogSizeLimit);
    if (!CreateLanguage())
        return false;
    if (!wxApp::OnInit())
        return false;
    ShowSplash();
    if (!gRessource.Load(kSetupDataCrc))
        return false;  // reported already; the splash goes with the process
    RemoveSplash();
    // No wizard yet: leave through the event loop so that shut-down writes its summaries.
    CallAfter([this] { ExitMainLoop(); });
    return true;
}

// The language object is our own allocation, so it is counted; without it no text can be shown.
bool SetupApp::CreateLanguage() {
    gLanguage = NEW_TRACKED(SetupLanguage);
    return gLanguage != nullptr;
}

void SetupApp::ShowSplash() {
    wxInitAllImageHandlers();
    wxBitmap picture = LoadPngResource("SPLASH_KOV");
    if (!picture.IsOk())
        return;
    splash = new wxSplashScreen(picture, wxSPLASH_CENTRE_ON_SCREEN | wxSPLASH_NO_TIMEOUT, 0, nullptr, wxID_ANY,
                                wxDefaultPosition, wxDefaultSize, wxSIMPLE_BORDER | wxSTAY_ON_TOP);
    wxYield();
}

void SetupApp::RemoveSplash() {
    delete splash;
    splash = nullptr;
}

int SetupApp::OnExit() {
    gRessource.Release();
    if (gLanguage) {
        DELETE_TRACKED(gLanguage);
        gLanguage = nullptr;
    }
    gMem.WriteSummary();
    gLog.WriteErrorSummary();
    return wxApp::OnExit();
}

void SetupApp::OnInitCmdLine(wxCmdLineParser& parser) {
    parser.AddSwitch("debug", wxEmptyString, "create a logfile and log all actions/errors");
    wxApp::OnInitCmdLine(parser);
}

bool SetupApp::OnCmdLineParsed(wxCmdLineParser& parser) {
    if (parser.Found("debug"))
        gLog.Start(kDebugLogLevel, -1, nullptr, false, kLogSizeLimit);
    return wxApp::OnCmdLineParsed(parser);
}

// Escape closes the wizard from any control on any page, without a question.
int SetupApp::FilterEvent(wxEvent& event) {
    if (event.GetEventType() == wxEVT_KEY_DOWN && static_cast<wxKeyEvent&>(event).GetKeyCode() == WXK_ESCAPE) {
        if (wxWindow* frame = GetTopWindow())
            frame->Close(true);
        return Event_Processed;
    }
    return wxApp::FilterEvent(event);
}
