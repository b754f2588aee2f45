// The printer list, its preselection and the printer a print goes to.

#include "delivery/printing_printers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace papyrion {
namespace {

const std::string kDefaultEntry = "Default printer";

TEST(PrinterList, DefaultEntryComesLastAndTheListIsNotSorted) {
    EXPECT_EQ(MakePrinterList({"Zeta", "alpha"}, kDefaultEntry),
              (std::vector<std::string>{"Zeta", "alpha", kDefaultEntry}));
    EXPECT_EQ(MakePrinterList({}, kDefaultEntry), (std::vector<std::string>{kDefaultEntry}));
}

TEST(PrinterList, Preselection) {
    const std::vector<std::string> list = {"A", "AB", "Office", kDefaultEntry};
    struct Case {
        const char* what;
        int stored;
        const char* device;
        int selected;
    } cases[] = {
        {"a stored position wins", 2, "AB,drv,uri", 2},
        {"the default-printer entry may be stored", 3, "AB,drv,uri", 3},
        {"no stored value: the entry the device string starts with", -1, "Office,drv,uri", 2},
        {"A and AB both match AB,...: the later one", -1, "AB,drv,uri", 1},
        {"a position beyond a shorter list falls back to the device", 9, "Office,x,y", 2},
        {"comparison is case-sensitive", -1, "office,drv,uri", -1},
        {"no default printer and nothing stored", -1, "", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PreselectPrinter(list, c.stored, c.device), c.selected);
    }
}

TEST(PrinterList, ResolvingThePrinterOfOnePrint) {
    const std::vector<std::string> list = {"A", "Office", "Office", kDefaultEntry};
    struct Case {
        const char* what;
        int selected;
        const char* device;
        const char* name;
    } cases[] = {
        {"a named printer", 0, "Office,drv,uri", "A"},
        {"the default-printer entry goes to the default printer", 3, "Office,drv,uri", "Office"},
        {"a default printer that is not in the list: the entry's own text", 3, "Gone,drv,uri",
         "Default printer"},
        {"no default printer configured", 3, "", "Default printer"},
        {"nothing selected", -1, "Office,drv,uri", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ResolvePrinterName(list, c.selected, kDefaultEntry, c.device), c.name);
    }
    // The default-printer entry is recognised without regard to case.
    const std::vector<std::string> other_case = {"Office", "DEFAULT PRINTER"};
    EXPECT_EQ(ResolvePrinterName(other_case, 1, kDefaultEntry, "Office,d,u"), "Office");
    EXPECT_EQ(DefaultPrinterName("Office,drv,uri"), "Office");
    EXPECT_EQ(DefaultPrinterName("Office"), "Office");
}

class FixedPrinters : public PrinterDirectory {
  public:
    std::vector<std::string> PrinterNames() override { return names; }
    std::string DefaultDeviceString() override { return device; }
    std::vector<std::string> names;
    std::string device;
};

TEST(PrinterList, LoadingSelectsByDefaultPrinterOnFirstStart) {
    FixedPrinters printers;
    printers.names = {"Laser", "Office"};
    printers.device = "Office,Generic,ipp://office";
    const PrinterChoice choice = LoadPrinterChoice(printers, kDefaultEntry, -1);
    EXPECT_EQ(choice.entries, (std::vector<std::string>{"Laser", "Office", kDefaultEntry}));
    EXPECT_EQ(choice.selected, 1);  // not the default-printer entry
}

TEST(PrinterList, CupsDestinationsAndDefaultDevice) {
    const char* queue = std::getenv("PAPYRION_TEST_PRINTER");
    if (queue == nullptr) GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    auto printers = MakeCupsPrinterDirectory();
    const auto names = printers->PrinterNames();
    EXPECT_NE(std::find(names.begin(), names.end(), queue), names.end());
    const std::string device = ReadDefaultPrinterDevice(*printers);
    EXPECT_EQ(DefaultPrinterName(device), queue);
    EXPECT_NE(device.find(",cups-pdf:/"), std::string::npos) << device;
}

}  // namespace
}  // namespace papyrion
