// u_setupApp.h -- SetupApp: the installer's start-up, shut-down and application-wide key filter.
#pragma once

#include <wx/app.h>

class SetupApp : public wxApp {
public:
    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;
    int FilterEvent(wxEvent& event) override;

private:
    bool CreateLanguage();
    void ShowSplash();
    void RemoveSplash();

    class wxSplashScreen* splash = nullptr;
};

wxDECLARE_APP(SetupApp);
