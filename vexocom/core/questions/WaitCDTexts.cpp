#include "questions/WaitCDTexts.h"

namespace vexo::waitcd {
namespace {

constexpr WaitCDText kTexts[] = {
    {0, "VEXO_WAITCD_WRITE", "Please insert the disc to write to..."},
    {1, "VEXO_WAITCD_SIMULATION",
     "Please insert a disc to use during simulation...\n\n(Nothing will be written on the disc.)"},
    {2, "VEXO_WAITCD_AUTOEJECTLOAD",
     "Please do not remove the disc!\n\nYour recorder requires this eject between simulation and burning. The "
     "disc will be reloaded automatically before continuing with burning..."},
    {3, "VEXO_WAITCD_REINSERT",
     "Please do not remove the disc!\n\nYour recorder requires this eject between simulation and burning. Please "
     "reinsert the disc..."},
    {4, "VEXO_WAITCD_NEXTCD", "Please remove the disc and  insert the next recordable disc to write to... "},
    {5, "VEXO_WAITCD_ORIGINAL", "Please insert the original disc."},
    {6, "VEXO_WAITCD_WRITEPROTECTED", "This disc is not writable.\n\nPlease insert a writable disc..."},
    {7, "VEXO_WAITCD_NOTENOUGHSPACE",
     "There is not enough space to burn this compilation onto this disc.\n\nPlease insert another disc that "
     "provides more space..."},
    {8, "VEXO_WAITCD_NEWORIGINAL",
     "The disc is blank, invalid\nor a multisession disc.\n\nPlease insert original disc ..."},
    {9, "VEXO_WAITCD_EMPTYCD", "The disc is not empty.\n\nPlease insert an empty disc."},
    {10, "VEXO_WAITCD_WRITE_EMPTY", "Please insert an empty disc to write to..."},
    {11, "VEXO_WAITCD_SIMULATION_EMPTY",
     "Please insert an empty disc to use during simulation...\n\n(Nothing will be written on the disc.)"},
    {12, "VEXO_WAITCD_WRITEWAVE", "The disc is blank.\n\nPlease insert original disc..."},
    {13, "VEXO_WAITCD_MULTISESSION",
     "Vexo is checking for the disc, please wait ...\n\nTo burn this multisession compilation you need the disc, "
     "that  contains the previous backup sessions. Please insert this disc if you haven't done it before."},
    {14, "VEXO_WAITCD_MULTISESSION_SIM",
     "To simulate this multisession compilation you need the disc, that contains the previous backup sessions. "
     "Please insert this disc. (Nothing will be written on disc)."},
    {15, "VEXO_WAITCD_MULTI_REINSERT",
     "Please do not remove the disc!\n\nYour recorder requires this eject between simulation and burning. Please "
     "reinsert the\n same Multisession disc..."},
    {16, "VEXO_WAITCD_DISCINFOS_FAILED",
     "Disc analysis failed. The error log\ncontains more information about the reason."},
    {17, "VEXO_WAITCD_MEDIUM_UNSUPPORTED",
     "The recorder does not support this type of media!\n\nPlease insert a correct disc to write to..."},
    {18, "VEXO_WAITCD_AUTOEJECTLOAD_VER",
     "Please do not remove the disc!\n\nYour recorder requires that the  disc be ejected between burning and "
     "verification. The disc will be reloaded automatically when burning is to continue..."},
    {19, "VEXO_WAITCD_REINSERT_VER",
     "Please do not remove the disc!\n\nYour recorder requires that the disc be ejected between burning and "
     "verification. Please reinsert the disc...."},
    {20, "VEXO_WAITCD_NOFORMAT", "The disc is not formatted. Please insert a formatted disc."},
    {21, "VEXO_WAITCD_WRONG_MEDIUM",
     "Sorry, your compilation cannot be written on this kind of disc. Please insert a disc of the correct type or "
     "modify the settings of your compilation to make them compatible with the current disc."},
    {22, "VEXO_WAITCD_WAITING", "--- Accessing disc, please wait ---"},
    {23, "VEXO_WAITCD_EMPTYCDRW", "The disc is not empty."},
    {24, "VEXO_WAITCD_NOTENOUGHSPACERW", "There is not enough space to burn the compilation onto this disc."},
    {25, "VEXO_WAITCD_NOTENOUGHSPACE_80MIN",
     "There is not enough space to burn the compilation onto this disc.\n\nPlease insert a 80min/700MB media"},
    {26, "VEXO_WAITCD_MAX", "unknown VEXO_WAITCD_TYPE"},
};

constexpr int32_t kMax = 26;

}  // namespace

std::span<const WaitCDText> WaitCDTexts() noexcept { return kTexts; }

std::string_view WaitCDTextFor(int32_t code) noexcept {
    if (code < 0 || code > kMax) code = kMax;
    return kTexts[code].text;
}

}  // namespace vexo::waitcd
