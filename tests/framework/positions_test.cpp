// Window positions kept in the settings file under the procedure name.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/positions.h"
#include "state/settings.h"
#include "support.h"

using namespace tavlo;

TEST(WindowPositions, SavedUnderTheProcedureNameAndReadBack) {
    support::TempFolder folder;
    SettingsWindowPositions positions(folder / "Tavlo.INI");
    EXPECT_FALSE(positions.load("Main"));  // never saved: the design's place
    WindowGeometry g{10, 20, 640, 480, true, false};
    positions.save("Main", g);
    EXPECT_EQ(positions.load("MAIN"), g);  // section names ignore case
    EXPECT_FALSE(positions.load("BrowsePointOfSale"));
    for (const char* key : {"Maximize", "Minimize", "XPos", "YPos", "Width", "Height"})
        EXPECT_NE(readSetting(folder / "Tavlo.INI", "Main", key, ""), "") << key;
    // A broken size counts as never saved.
    writeSetting(folder / "Tavlo.INI", "Main", "Width", "0");
    EXPECT_FALSE(positions.load("Main"));
}
