#include "print/cups_job_options.h"

#include <array>
#include <string_view>

namespace papyrion::pdf {

namespace {

struct PaperName {
    int dmpaper;
    std::string_view media;
};

// DMPAPER_* of wingdi.h against PWG 5101.1 self-describing names. The
// transverse and "extra"/"plus" variants without a PWG size are left out.
constexpr PaperName kPaperNames[] = {
    {1, "na_letter_8.5x11in"},
    {2, "na_letter_8.5x11in"},
    {3, "na_ledger_11x17in"},
    {4, "na_ledger_11x17in"},
    {5, "na_legal_8.5x14in"},
    {6, "na_invoice_5.5x8.5in"},
    {7, "na_executive_7.25x10.5in"},
    {8, "iso_a3_297x420mm"},
    {9, "iso_a4_210x297mm"},
    {10, "iso_a4_210x297mm"},
    {11, "iso_a5_148x210mm"},
    {12, "jis_b4_257x364mm"},
    {13, "jis_b5_182x257mm"},
    {14, "om_folio_210x330mm"},
    {15, "na_quarto_8.5x10.83in"},
    {16, "na_10x14_10x14in"},
    {17, "na_ledger_11x17in"},
    {18, "na_letter_8.5x11in"},
    {19, "na_number-9_3.875x8.875in"},
    {20, "na_number-10_4.125x9.5in"},
    {21, "na_number-11_4.5x10.375in"},
    {22, "na_number-12_4.75x11in"},
    {23, "na_number-14_5x11.5in"},
    {24, "na_c_17x22in"},
    {25, "na_d_22x34in"},
    {26, "na_e_34x44in"},
    {27, "iso_dl_110x220mm"},
    {28, "iso_c5_162x229mm"},
    {29, "iso_c3_324x458mm"},
    {30, "iso_c4_229x324mm"},
    {31, "iso_c6_114x162mm"},
    {32, "iso_c6c5_114x229mm"},
    {33, "iso_b4_250x353mm"},
    {34, "iso_b5_176x250mm"},
    {35, "iso_b6_125x176mm"},
    {36, "om_italian_110x230mm"},
    {37, "na_monarch_3.875x7.5in"},
    {38, "na_personal_3.625x6.5in"},
    {39, "na_fanfold-us_11x14.875in"},
    {40, "na_fanfold-eur_8.5x12in"},
    {41, "na_foolscap_8.5x13in"},
    {42, "iso_b4_250x353mm"},
    {43, "jpn_hagaki_100x148mm"},
    {44, "na_9x11_9x11in"},
    {45, "na_10x11_10x11in"},
    {46, "na_10x15_10x15in"},
    {47, "om_invite_220x220mm"},
    {50, "na_letter-extra_9.5x12in"},
    {51, "na_legal-extra_9.5x15in"},
    {52, "na_arch-b_12x18in"},
    {53, "iso_a4-extra_235.5x322.3mm"},
    {54, "na_letter_8.5x11in"},
    {55, "iso_a4_210x297mm"},
    {57, "na_super-a_8.94x14in"},
    {58, "na_super-b_13x19in"},
    {59, "na_letter-plus_8.5x12.69in"},
    {60, "om_folio-sp_215x315mm"},
    {61, "iso_a5_148x210mm"},
    {62, "jis_b5_182x257mm"},
    {63, "iso_a3-extra_322x445mm"},
    {64, "iso_a5-extra_174x235mm"},
    {65, "iso_b5-extra_201x276mm"},
    {66, "iso_a2_420x594mm"},
    {67, "iso_a3_297x420mm"},
};

// DMBIN_* against PWG media-source keywords.
constexpr std::pair<int, std::string_view> kSources[] = {
    {1, "top"},    {2, "bottom"}, {3, "middle"},  {4, "manual"},          {5, "envelope"},
    {6, "manual"}, {7, "auto"},   {8, "tractor"}, {11, "large-capacity"}, {14, "main"},
    {15, "main"},
};

// DMMEDIA_* against PWG media-type keywords.
constexpr std::pair<int, std::string_view> kMediaTypes[] = {
    {1, "stationery"},
    {2, "transparency"},
    {3, "photographic-glossy"},
};

template <std::size_t N>
std::optional<std::string> Lookup(const std::pair<int, std::string_view> (&table)[N], int code) {
    for (const auto& [key, value] : table) {
        if (key == code) return std::string(value);
    }
    return std::nullopt;
}

// Tenths of a millimetre as PWG millimetres ("210" or "215.9").
std::string Millimetres(int tenths) {
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) {
        text += '.';
        text += static_cast<char>('0' + tenths % 10);
    }
    return text;
}

}  // namespace

std::optional<std::string> MediaNameOfPaperSize(int dmpaper) {
    for (const PaperName& entry : kPaperNames) {
        if (entry.dmpaper == dmpaper) return std::string(entry.media);
    }
    return std::nullopt;
}

std::vector<JobOption> CupsJobOptions(const TPDFCustomPrinter& printer) {
    std::vector<JobOption> options;
    const int length = printer.Override(PrinterSetting::kPaperLength);
    const int width = printer.Override(PrinterSetting::kPaperWidth);
    if (length > 0 && width > 0) {
        const std::string size = Millimetres(width) + "x" + Millimetres(length) + "mm";
        options.emplace_back("media", "custom_" + size + "_" + size);
    } else if (auto media = MediaNameOfPaperSize(printer.Override(PrinterSetting::kPaperSize))) {
        options.emplace_back("media", *media);
    }
    if (const int copies = printer.Override(PrinterSetting::kCopies); copies > 0) {
        options.emplace_back("copies", std::to_string(copies));
    }
    switch (printer.Override(PrinterSetting::kDuplex)) {
        case 1:
            options.emplace_back("sides", "one-sided");
            break;
        case 2:
            options.emplace_back("sides", "two-sided-long-edge");
            break;
        case 3:
            options.emplace_back("sides", "two-sided-short-edge");
            break;
        default:
            break;
    }
    switch (printer.Override(PrinterSetting::kColour)) {
        case 1:
            options.emplace_back("print-color-mode", "monochrome");
            break;
        case 2:
            options.emplace_back("print-color-mode", "color");
            break;
        default:
            break;
    }
    switch (printer.Override(PrinterSetting::kOrientation)) {
        case 1:
            options.emplace_back("orientation-requested", "3");  // portrait
            break;
        case 2:
            options.emplace_back("orientation-requested", "4");  // landscape
            break;
        default:
            break;
    }
    // Stored as the negative DMRES_* codes: -4 high ... -1 draft.
    switch (printer.IsSet(PrinterSetting::kPrintQuality)
                ? printer.Override(PrinterSetting::kPrintQuality)
                : 0) {
        case -4:
            options.emplace_back("print-quality", "5");  // high
            break;
        case -3:
            options.emplace_back("print-quality", "4");  // normal
            break;
        case -2:
        case -1:
            options.emplace_back("print-quality", "3");  // draft
            break;
        default:
            break;
    }
    switch (printer.Override(PrinterSetting::kCollate)) {
        case 0:
            options.emplace_back("collate", "false");
            break;
        case 1:
            options.emplace_back("collate", "true");
            break;
        default:
            break;
    }
    if (auto source = Lookup(kSources, printer.Override(PrinterSetting::kPaperSource))) {
        options.emplace_back("media-source", *source);
    }
    if (auto type = Lookup(kMediaTypes, printer.Override(PrinterSetting::kMediaType))) {
        options.emplace_back("media-type", *type);
    }
    return options;
}

}  // namespace papyrion::pdf
