// The help panel: the reliability legend and the meaning of the startup entry codes.
#include <algorithm>
#include <string_view>

#include "core/Text.h"
#include "mainwindow/Form1.h"
#include "mainwindow/pure/GradeWords.h"

namespace vt {

namespace {

struct CodeMeaning {
    const char* code;
    const char* meaning;
};

constexpr CodeMeaning kCodes[] = {
    {"CU", "Voce presente in HKEY_CURRENT_USER"},
    {"LM", "Voce presente in HKEY_LOCAL_MACHINE"},
    {"R", "Voce presente nella chiave Run del registro"},
    {"RO", "Voce presente nella chiave RunOnce del registro"},
    {"RS", "Voce presente nella chiave RunServices del registro"},
    {"RSO", "Voce presente nella chiave RunServicesOnce del registro"},
    {"UST", "Voce in Esecuzione automatica dell'utente corrente"},
    {"CST", "Voce in Esecuzione Automatica per tutti gli utenti"},
};
// A 64-bit system's second registry view: a line of its own below the eight codes, so the
// labels of the eight read exactly those to a screen reader.
constexpr CodeMeaning kViewCode = {"32", "Voce presente nella vista a 32 bit del registro"};

}  // namespace

void Form1::BuildHelpPanel() {
    HWND label2 = AddControl(frame5_, "STATIC", "Guida:", SS_LEFT, IDC_LABEL2, 120, 120, 975, 375);
    ControlRef(label2).Font(bigFont_.get());
    AddControl(frame5_, "STATIC", "", SS_LEFT | SS_NOPREFIX, IDC_LABEL5, 120, 480, 6495, 855);

    struct Legend {
        int picture, label;
        int grade;
        long top;
        const char* text;
    };
    const Legend legend[] = {
        {IDC_PICTURE1, IDC_LABEL6, 1, 1320, "File solitamente sicuro. Non deve essere rimosso."},
        {IDC_PICTURE2, IDC_LABEL7, 2, 1680, "File conosciuto come infetto. Verificare e rimuovere subito."},
        {IDC_PICTURE4, IDC_LABEL9, 3, 2040,
         "File sicuro ma talvolta obiettivo di infezione. Fare doppio click per dettagli."},
        {IDC_PICTURE5, IDC_LABEL8, 4, 2400,
         "File non riconosciuto. Fare doppio click per dettagli e nel dubbio procedere ad una scansione antivirus."},
    };
    for (const Legend& l : legend) {
        // The picture's window text is its accessible name. It must be given here: an
        // icon control takes later texts for icon names (or, under Wine, drops them).
        const std::string word(GradeWord(l.grade));
        AddControl(frame5_, "STATIC", word.c_str(), SS_ICON | SS_REALSIZEIMAGE, l.picture, 120, l.top, 240, 240);
        // The last line of the legend may take two lines: the next text starts lower.
        AddControl(frame5_, "STATIC", l.text, SS_LEFT | SS_NOPREFIX, l.label, 480, l.top, 6375,
                   l.label == IDC_LABEL8 ? 480 : 360);
    }
    AddControl(frame5_, "STATIC",
               "All'interno della sezione Avvio sono mostrati dei codici identificativi in blu:", SS_LEFT | SS_NOPREFIX,
               IDC_LABEL11, 120, 2880, 6615, 375);
    AddControl(frame5_, "STATIC", "", SS_LEFT | SS_NOPREFIX, IDC_LABEL12, 240, 3360, 855, 1575);
    // Wider than the codes' column needs, so each meaning stays on the line of its code, and
    // only as tall as the eight lines, so it does not cover the view's line below it.
    AddControl(frame5_, "STATIC", "", SS_LEFT | SS_NOPREFIX, IDC_LABEL13, 1560, 3360, 5175, 1575);
    // The view's code and meaning, on the line after the eighth.
    AddControl(frame5_, "STATIC", kViewCode.code, SS_LEFT | SS_NOPREFIX, IDC_LABEL15, 240, 4935, 855, 255);
    AddControl(frame5_, "STATIC", kViewCode.meaning, SS_LEFT | SS_NOPREFIX, IDC_LABEL16, 1560, 4935, 5175, 255);
    AddControl(frame5_, "STATIC", "Dall'unione di CU o LM con le altre chiavi di registro, appare ad esempio CUR",
               SS_LEFT | SS_NOPREFIX, IDC_LABEL14, 240, 5280, 6495, 255);
}

void Form1::SetHelpTexts() {
    ::SetWindowTextA(Control(IDC_LABEL1),
                     "Realizzato dal team di sviluppo Vantorile\r\nPowered by Vantorile Reputation Service");
    ::SetWindowTextA(
        Control(IDC_LABEL5),
        "Vantorile 1.0 consente di verificare i processi attivi nel sistema e le applicazioni che si "
        "avviano automaticamente all'accensione del PC.\r\nAccanto ad ogni processo o voce \xc3\xa8 presente "
        "un'icona che indica il relativo grado di affidabilit\xc3\xa0.");
    ShowLegendIcons();
    std::string codes, meanings;
    for (const CodeMeaning& c : kCodes) {
        if (!codes.empty()) {
            codes += "\r\n";
            meanings += "\r\n";
        }
        codes += c.code;
        meanings += c.meaning;
    }
    ::SetWindowTextA(Control(IDC_LABEL12), codes.c_str());
    ::SetWindowTextA(Control(IDC_LABEL13), meanings.c_str());
    FitHelpFonts();
}

void Form1::FitHelpFonts() {
    // One-line texts must stay on one line: where the system's font is wider than MS Sans
    // Serif, they get a slightly smaller size of it instead of wrapping into the next.
    // The labels move to their new fonts before the old ones are released.
    std::vector<UniqueHFont> previous = std::move(narrowFonts_);
    narrowFonts_.clear();
    const int ids[] = {IDC_LABEL6, IDC_LABEL7, IDC_LABEL9, IDC_LABEL11, IDC_LABEL13, IDC_LABEL14, IDC_LABEL16};
    for (int id : ids) {
        HWND label = Control(id);
        if (!label) continue;
        ControlRef(label).Font(font_.get(), true);
        RECT client;
        ::GetClientRect(label, &client);
        const std::string text = ControlText(id);
        auto widest = [&](HFONT font) {
            WindowDC dc(label);
            SelectObjectScope select(dc.get(), font);
            long w = 0;
            for (std::string_view line : SplitText(text, "\r\n")) {
                SIZE size{};
                ::GetTextExtentPoint32A(dc.get(), line.data(), static_cast<int>(line.size()), &size);
                w = std::max(w, size.cx);
            }
            return w;
        };
        if (widest(font_.get()) <= client.right) continue;
        // Quarter points from 8 down to 6.5, counted in whole steps.
        for (int step = 0; step <= 6; ++step) {
            const double points = 8.0 - 0.25 * step;
            UniqueHFont f = MakeFont("MS Sans Serif", points, FW_NORMAL, Dpi());
            bool fits = widest(f.get()) <= client.right;
            if (fits || step == 6) {
                ControlRef(label).Font(f.get(), true);
                narrowFonts_.push_back(std::move(f));
                break;
            }
        }
    }
}

void Form1::ShowLegendIcons() {
    const int pictures[] = {IDC_PICTURE1, IDC_PICTURE2, IDC_PICTURE4, IDC_PICTURE5};
    for (size_t i = 0; i < 4 && i < legendIcons_.size(); ++i)
        ::SendMessageA(Control(pictures[i]), STM_SETICON, reinterpret_cast<WPARAM>(legendIcons_[i].get()), 0);
}

}  // namespace vt
