// u_setupLanguage.cpp -- the bilingual text table and the language choice.
//
// The table is UTF-8 source text: the German umlauts are characters, shown as written. Rows are
// indexed by text id; the column is the language index.
#include "main/u_setupLanguage.h"

#include <cstdarg>
#include <cstdio>
#include <iterator>

#include "platform/s_platform.h"

SetupLanguage* gLanguage = nullptr;

namespace {

const char* const kNotAvailable = "=N/A=";

const char* const kLanguageNames[kLanguageCount] = {"English", "Deutsch"};

const char* const kTexts[][kLanguageCount] = {
    /*  0 */ {"The setup file is corrupted (%i)!", "Die Installations-Datei ist fehlerhaft (%i)!"},
    /*  1 */ {"english", "german"},
    /*  2 */ {"%s - Installation", "%s - Installation"},
    /*  3 */ {"Cancel", "Abbrechen"},
    /*  4 */ {"<< Back", "<< Zurück"},
    /*  5 */ {"Next >>", "Weiter >>"},
    /*  6 */ {"Start!", "Start!"},
    /*  7 */ {"Finished!", "Fertig!"},
    /*  8 */ {"Ok", "Ok"},
    /*  9 */ {"Error:", "Fehler:"},
    /* 10 */ {"Information:", "Information:"},
    /* 11 */ {"Please select a language:", "Bitte wählen Sie eine Sprache:"},
    /* 12 */ {"Yes, I have read the terms of use", "Ja, ich habe die Nutzungsbedingungen gelesen"},
    /* 13 */ {"and understand it and accept it.", "und verstanden und akzeptiere sie."},
    /* 14 */ {"Installation folder:", "Installations-Verzeichnis:"},
    /* 15 */ {"Browse...", "Durchsuchen..."},
    /* 16 */ {"Required disk space:", "Benötigter Plattenplatz:"},
    /* 17 */ {"Available disk space:", "Verfügbarer Plattenplatz:"},
    /* 18 */ {"%s MB", "%s MB"},
    /* 19 */ {"Name of start menu group:", "Name der Startmenü-Gruppe:"},
    /* 20 */
    {"Hint: Leave the field empty if you don't want to create a startmenu group.",
     "Hinweis: Lassen Sie das Feld leer, wenn kein Startmenü-Eintrag erzeugt werden soll."},
    /* 21 */
    {"register/start menu entry for current user", "Registrierung/Startmenü-Eintrag für aktuellen Nutzer"},
    /* 22 */ {"register/start menu entry for all users", "Registrierung/Startmenü-Eintrag für alle Nutzer"},
    /* 23 */ {"create icon on the desktop", "Symbol auf dem Desktop erstellen"},
    /* 24 */ {"Progress:", "Status:"},
    /* 25 */ {"Current file: %s", "Aktuelle Datei: %s"},
    /* 26 */ {"Show important information", "Wichtige Informationen anzeigen"},
    /* 27 */ {"Start %s", "%s starten"},
    /* 28 */ {"Installation was successful finished.", "Die Installation wurde erfolgreich abgeschlossen."},
    /* 29 */ {"An error occured while installation.", "Während der Installation ist ein Fehler aufgetreten."},
    /* 30 */ {"File Not Found: '%s'!", "Datei nicht gefunden: '%s'!"},
    /* 31 */
    {"There is not enough space left on the selected drive. Do you want to select another one?",
     "Auf dem gewählten Laufwerk ist nicht genügend Platz. Möchten Sie ein anderes wählen?"},
    /* 32 */
    {"The selected folder is not empty. Do you want to choose another one?",
     "Das gewählte Verzeichnis ist nicht leer. Möchten Sie ein anderes wählen?"},
    /* 33 */
    {"The selected folder can't be used. Please select another one.",
     "Das gewählte Verzeichnis kann nicht genutzt werden. Bitte wählen Sie ein anderes."},
    /* 34 */
    {"There is an older client installed in the selected folder. It is recommended to uninstall it first. Do "
     "you want to do this now?",
     "In dem gewählten Verzeichnis ist ein älterer Client installiert. Es wird empfohlen, diesen erst zu "
     "deinstallieren. Möchten Sie dies jetzt tun?"},
    /* 35 */
    {"To install KOV for all users you need extented access rights for Windows!",
     "Um KOV für alle Nutzer zu installieren, benötigen Sie erweiterte Zugriffsrechte für Windows!"},
    /* 36 */ {"Create folder: '%s'", "Erstelle Verzeichnis: '%s'"},
    /* 37 */ {"Create file: '%s'", "Erstelle Datei: '%s'"},
    /* 38 */ {"Create registry entries and symbols.", "Erstelle Registry-Einträge und Symbole."},
    /* 39 */ {"Could not create folder: '%s'!", "Konnte Verzeichnis '%s' nicht erstellen!"},
    /* 40 */ {"Could not create file: '%s'!", "Konnte Datei '%s' nicht erstellen!"},
    /* 41 */ {"Could not create link: '%s'!", "Konnte Verknüpfung '%s' nicht erstellen!"},
    /* 42 */ {"Could not update registry information!", "Konnte Registry-Einträge nicht speichern!"},
    /* 43 */
    {"Could not determine correct Windows version!", "Konnte genaue Windows-Version nicht bestimmen!"},
    /* 44 */
    {"Note: This client version is for beta testing and should not be installed over the client for the live "
     "server.",
     "Hinweis: Diese Client-Version ist für den Betatest gedacht und sollte nicht über den Client für den "
     "Live-Server installiert werden."},
};

static_assert(std::size(kTexts) == kTextCount, "one row per text id");

const char* LookUp(uint32_t id, uint32_t language) {
    return id < kTextCount ? kTexts[id][language] : kNotAvailable;
}

} // namespace

uint16_t SetupLanguage::DetectLanguage() {
    const auto languageId = static_cast<uint16_t>(Platform::UserDefaultLanguageId());
    language = Platform::IsGermanLanguageId(languageId) ? kLanguageGerman : kLanguageEnglish;
    return languageId;
}

void SetupLanguage::SetLanguage(uint32_t index) {
    if (index < kLanguageCount)
        language = index;
}

const char* SetupLanguage::GetLanguageName(uint32_t index) {
    return index < kLanguageCount ? kLanguageNames[index] : kNotAvailable;
}

const char* SetupLanguage::GetText(uint32_t id) const {
    return LookUp(id, language);
}

uint32_t CurrentLanguage() {
    return gLanguage ? gLanguage->GetLanguage() : kLanguageEnglish;
}

const char* CurrentText(uint32_t id) {
    return LookUp(id, CurrentLanguage());
}

void FormatText(char* dest, uint32_t size, uint32_t id, ...) {
    if (size == 0)
        return;
    va_list args;
    va_start(args, id);
    std::vsnprintf(dest, size, CurrentText(id), args);
    va_end(args);
}
