#pragma once
// Every keyword the program looks up in the translation table. The keywords
// are those of the shipped table (and of tables translators keep), so they
// stay as they are; the constant names say what the text is. Code that adds
// a lookup adds its keyword here, and a text for it to every language of the
// shipped table.

#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace papyrion::text {

// Default of the stationery file names and of the user name.
inline constexpr std::string_view kUnknown = "Onbekend";
// Last entry of the printer list: the system's default printer.
inline constexpr std::string_view kDefaultPrinter = "WindefPrt";
inline constexpr std::string_view kResetQuestion = "Resetmsg";

// Mail templates: the placeholder words (each becomes ":WORD:") and the
// twelve month names, comma-separated.
inline constexpr std::string_view kDateWord = "datum";
inline constexpr std::string_view kMonthWord = "maand";
inline constexpr std::string_view kTimeWord = "tijd";
// The attachment word is looked up without the colon the template editor
// shows after it: a keyword ends at the first colon of its line.
inline constexpr std::string_view kAttachmentWord = "bijlage";
inline constexpr std::string_view kMonthNames = "maanden";
// The support address the contact mail goes to.
inline constexpr std::string_view kSupportAddress = "infohuisstijl";

// Processing: messages, each followed by the file concerned.
inline constexpr std::string_view kInputMissing = "Invoerbestaatniet";
inline constexpr std::string_view kInputUnreadable = "Invoeronleesbaar";
inline constexpr std::string_view kOutputNotWritable = "Uitvoerschrijfniet";
inline constexpr std::string_view kStampingFailed = "Stempelenmislukt";
inline constexpr std::string_view kStationeryUnreadable = "Briefpapieronleesbaar";
inline constexpr std::string_view kInputNoPermission = "Invoergeentoegang";
inline constexpr std::string_view kInputNeedsPassword = "Invoerwachtwoord";
inline constexpr std::string_view kInputWrongPassword = "Invoerwachtwoordfout";
inline constexpr std::string_view kInputDamaged = "Invoerbeschadigd";
inline constexpr std::string_view kNotOverwritten = "Overschrijfniet";
inline constexpr std::string_view kOutputNameTaken = "Uitvoerbestaat";
inline constexpr std::string_view kNotPrinted = "Nietgeprint";
inline constexpr std::string_view kNotMailed = "Nietgemaild";
inline constexpr std::string_view kStationeryMissing = "Briefpapierbestaatniet";
inline constexpr std::string_view kConversionFailed = "showmsgconv01";
inline constexpr std::string_view kSpreadsheetProgramMissing = "showmsgexcel";
inline constexpr std::string_view kOfficeConversionFailed = "showmsgcnvOO";
// Processing: progress and the output list caption ("Listed here: 3 output files").
inline constexpr std::string_view kOf = "van";
inline constexpr std::string_view kFiles = "Bestanden";
inline constexpr std::string_view kPages = "Paginas";
inline constexpr std::string_view kWorkDone = "klaarmetwerk";
inline constexpr std::string_view kOutputListBefore = "Hierstaan1";
inline constexpr std::string_view kOutputListAfter = "Hierstaan2";

// The contact mail: line 0 is the subject, lines 1 to 20 the body.
inline constexpr int kContactMailLines = 20;
inline std::string ContactMailLine(int line) {
    char keyword[16];
    std::snprintf(keyword, sizeof keyword, "InfMail%02d", line);
    return keyword;
}
// The lines 1 to 20 of the system mail model.
inline constexpr int kSystemMailModelLines = 20;
inline std::string SystemMailModelLine(int line) {
    char keyword[16];
    std::snprintf(keyword, sizeof keyword, "usremal%02d", line);
    return keyword;
}

// The texts of the windows, looked up by keyword as each window fills its
// captions and lists.
inline constexpr std::string_view kWindowTexts[] = {
    // configuration window: captions
    "f11tekst0", "f1tab1", "f1tab2", "f1tab3", "f1tab5", "f1tab6", "Selhuisstijl", "Briefpap",
    "volgpap", "plaatsing", "selecteer", "ZiviRAVMsg", "download", "f11tekst1", "f11tekst2",
    "f11tekst3", "f11tekst4", "overwriteorg", "outputmap", "knpselect", "selprt", "allmailto1",
    "allmailto2", "emailtemp", "knpemailmod", "naverwopsl", "naverwemail", "naverwprt",
    "Convertwith", "land", "knpinstops", "knpsluiten", "Startmetwin", "altijdvoorgrond", "Title",
    "Datecomp", "VersHist", "ZiviRAVSite", "resetknop", "Inststarther", "minimise", "handbedien",
    "risico1", "risico2", "CheckForUpdates1", "CheckForUpdates2", "F1tekst2", "knpstartsel",
    "knpaddmore", "uheeft", "Invoerbestsel", "knpstartproc", "F1test1", "Invoerbest", "F1hint01",
    "f1tekst3", "f1tekst4", "knpprtall", "knpprtfile", "knpprtpage", "knpmailfile", "odtool0",
    "odtool1", "odtool2", "odtool3", "odtool4", "odtool5", "odtool6",
    // configuration window: list items
    "geen", "allepaginas", "eerstepagina", "kiespagina", "p2toteind", "Voorgrond", "achtegrond",
    "Nee", "Ja", "logtrace", "logtraceNoclup", "msOffice", "ooOffice",
    // configuration window: messages and dialog titles
    "languagechange", "selectdir", "YouareUpToDate", "mstartverwerking", "Select_input",
    "Select_More_input", "weetuzeker", "weetuzeker01", "uwbriefpap", "uwvolgpap", "aangemaaktbest",
    "aangemaaktpag",
    // drop window
    "TITLE", "momes1", "momes2", "momes3", "momes4", "momes5", "momes6", "momes7", "newvermsg",
    "KNPSTARTPROC", "voeresu", "sleephier", "sleepmes", "MARGOLTUIT",
    // mail template editor
    "f3title1", "f3title2", "f3title3", "Onderwerp", "Haal_invoer_op", "Haal_sysmodel_op",
    "Ververs_resultaat", "Knpsluiten", "Emailchinp",
    // stationery chooser
    "Uwcomputer",
    // start-up window
    "F5Title", "F5Welkom", "F5gebrnam", "F5wachtw", "emailadr", "Createact", "Gosetup",
    "F5Transfer", "f5saveww", "DirectUpLoad", "f5FilesFound", "sitenotavail", "f5Accgeldig",
    "f5Accongeldig", "f5downlsta", "f5downlend", "f5logonantw", "f5logonchk1", "f5allready",
    "f5uwfile", "f5datum"};

// Every keyword above, the numbered families spelled out.
inline std::vector<std::string> AllKeywords() {
    std::vector<std::string> keywords;
    for (const std::string_view keyword : {kUnknown,
                                           kDefaultPrinter,
                                           kResetQuestion,
                                           kDateWord,
                                           kMonthWord,
                                           kTimeWord,
                                           kAttachmentWord,
                                           kMonthNames,
                                           kSupportAddress,
                                           kInputMissing,
                                           kInputUnreadable,
                                           kOutputNotWritable,
                                           kStampingFailed,
                                           kStationeryUnreadable,
                                           kInputNoPermission,
                                           kInputNeedsPassword,
                                           kInputWrongPassword,
                                           kInputDamaged,
                                           kNotOverwritten,
                                           kOutputNameTaken,
                                           kNotPrinted,
                                           kNotMailed,
                                           kStationeryMissing,
                                           kConversionFailed,
                                           kSpreadsheetProgramMissing,
                                           kOfficeConversionFailed,
                                           kOf,
                                           kFiles,
                                           kPages,
                                           kWorkDone,
                                           kOutputListBefore,
                                           kOutputListAfter}) {
        keywords.emplace_back(keyword);
    }
    for (int line = 0; line <= kContactMailLines; ++line) keywords.push_back(ContactMailLine(line));
    for (int line = 1; line <= kSystemMailModelLines; ++line) {
        keywords.push_back(SystemMailModelLine(line));
    }
    keywords.insert(keywords.end(), std::begin(kWindowTexts), std::end(kWindowTexts));
    return keywords;
}

}  // namespace papyrion::text
