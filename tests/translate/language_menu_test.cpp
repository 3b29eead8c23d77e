// The main frame with the shipped language store: the Language menu lists its languages,
// choosing Afrikaans translates the frame in place, and choosing English brings back the
// design texts.
#include "shell/main_frame.h"

#include "../shell/shell_fixture.h"
#include "shell/startup.h"
#include "translate/pro_taal.h"

namespace tavlo {
namespace {

class LanguageMenu : public testing::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        std::filesystem::copy_file(TAVLO_LANGUAGE_STORE, file("POSlan.tps"));
        store.Init(platform.folder.string(), "POS", 1, 1, true, true);
        setWindowTranslator(&store);
        logInAs("admin", "s3cret");
    }
    std::vector<std::string> menuBar(const Window& w) const {
        std::vector<std::string> out;
        for (const auto& c : w.controls())
            if (c.kind == ControlKind::Menu) out.push_back(c.text);
        return out;
    }
    ProTaalClass store;
};

TEST_F(LanguageMenu, SwitchingToAfrikaansAndBack) {
    startUp(rt, platform, access, store);
    MainFrame frame(platform, access);
    auto w = rt.open(frame);
    EXPECT_EQ(menuBar(frame.window()),
              (std::vector<std::string>{"&File  ", "Da&ta", "Transa&ctions", "Rep&orts", "&Help", "Language"}));
    EXPECT_TRUE(w.checked("English"));

    w.choose("Afrikaans");
    EXPECT_EQ(GLO.LANGUAGENO, 2);
    EXPECT_EQ(store.GetTaalNo(), 2);
    EXPECT_EQ(menuBar(frame.window()), (std::vector<std::string>{"&Lêer", "&Data", "&Transaksies", "&Verslae", "&Hulp", "Taal"}));
    EXPECT_EQ(frame.window().text(14), "&Verkoopspunt");
    EXPECT_EQ(frame.window().title, "Tavlo w5.0b");
    EXPECT_TRUE(w.checked("Afrikaans"));

    w.choose("English");
    EXPECT_EQ(GLO.LANGUAGENO, 1);
    EXPECT_EQ(menuBar(frame.window()),
              (std::vector<std::string>{"&File  ", "Da&ta", "Transa&ctions", "Rep&orts", "&Help", "Language"}));
    EXPECT_EQ(frame.window().text(14), "Point of S&ale");
    EXPECT_TRUE(rt.messages.size() == 1 && rt.messages[0].title == "Control") << "only the reminder";
    rt.finish(w);
    shutDown(access, store);
}

}  // namespace
}  // namespace tavlo
