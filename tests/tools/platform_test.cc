// The platform layer on Linux: the home directory, the XDG user directories
// standing for the documents and desktop folders, and the locale identifier
// taken from the environment at each call.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/tools/test_util.h"
#include "tools/platform_mac.h"

namespace {

using qfjs_test::ScopedEnv;
using qfjs_test::TempDir;

TEST(PlatformHome, FromHomeElseThePasswordDatabase) {
    {
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(MacOS_PathForHomeDirectory(), "/home/someone");
    }
    const passwd* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        ScopedEnv home("HOME", value);
        EXPECT_EQ(MacOS_PathForHomeDirectory(), entry->pw_dir);
    }
}

// A home directory and a configuration directory holding `userDirs` as
// user-dirs.dirs.
class UserDirs : public testing::Test {
protected:
    void Configure(const std::string& userDirs) { config_.Write("user-dirs.dirs", userDirs); }
    std::string Documents() const { return MacOS_PathForDirectory(kPlatformDocumentDirectory, kPlatformUserDomainMask); }
    std::string Desktop() const { return MacOS_PathForDirectory(kPlatformDesktopDirectory, kPlatformUserDomainMask); }

    TempDir config_;
    ScopedEnv home_{"HOME", "/home/tester"};
    ScopedEnv configHome_{"XDG_CONFIG_HOME", config_.path().c_str()};
};

TEST_F(UserDirs, ConventionalFoldersWithoutAUserDirsFile) {
    EXPECT_EQ(Documents(), "/home/tester/Documents");
    EXPECT_EQ(Desktop(), "/home/tester/Desktop");
}

TEST_F(UserDirs, EntriesOfTheUserDirsFile) {
    Configure(
        "# written by xdg-user-dirs-update\n"
        "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
        "XDG_DOCUMENTS_DIR=\"/data/docs/\"\n");
    EXPECT_EQ(Documents(), "/data/docs");
    EXPECT_EQ(Desktop(), "/home/tester/Schreibtisch");
}

TEST_F(UserDirs, LastUsableEntryWinsAndEscapesAreResolved) {
    Configure(
        "XDG_DOCUMENTS_DIR=\"$HOME/first\"\n"
        "  XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\n"
        "XDG_DOCUMENTS_DIR=relative/ignored\n"
        "XDG_DOCUMENTS_DIR=\"relative/ignored\"\n"
        "XDG_DOCUMENTS_DIR=\"/unterminated\n"
        "XDG_DOCUMENTS_DIRX=\"/other/key\"\n"
        "XDG_DESKTOP_DIR=\"$HOMEWORK/x\"\n");
    EXPECT_EQ(Documents(), "/home/tester/My \"Docs\"");
    EXPECT_EQ(Desktop(), "/home/tester/Desktop");
}

TEST_F(UserDirs, HomeItselfIsAValidEntry) {
    Configure("XDG_DESKTOP_DIR=\"$HOME/\"\n");
    EXPECT_EQ(Desktop(), "/home/tester");
}

TEST_F(UserDirs, NoDirectoryForOtherIdentifiersOrDomains) {
    EXPECT_EQ(MacOS_PathForDirectory(15, kPlatformUserDomainMask), "");
    EXPECT_EQ(MacOS_PathForDirectory(kPlatformDocumentDirectory, 2), "");
    EXPECT_EQ(MacOS_PathForDirectory(kPlatformDesktopDirectory, 0), "");
}

TEST(PlatformUserDirs, ConfigDirectoryDefaultsToDotConfigInHome) {
    TempDir home;
    boost::filesystem::create_directories(home.path() / ".config");
    home.Write(".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    ScopedEnv homeEnv("HOME", home.path().c_str());
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(MacOS_PathForDirectory(kPlatformDocumentDirectory, kPlatformUserDomainMask),
              home.File("Dokumente"));
}

struct LocaleCase {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    const char* identifier;
};

TEST(PlatformLocale, FollowsTheEnvironmentAtEveryCall) {
    const LocaleCase cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", "ja_JP"},
        {nullptr, nullptr, "en_US.utf8", "en_US"},
        {nullptr, nullptr, "de_DE@euro", "de_DE_EURO"},
        {nullptr, nullptr, "fr", "fr"},
        {"de_DE.UTF-8", nullptr, "ja_JP.UTF-8", "de_DE"},
        {nullptr, "fr_FR", "ja_JP.UTF-8", "fr_FR"},
        {"", "", "zh_TW.Big5", "zh_TW"},
        {nullptr, nullptr, "C", "en_US_POSIX"},
        {nullptr, nullptr, "C.UTF-8", "en_US_POSIX"},
        {nullptr, nullptr, nullptr, "en_US_POSIX"},
        {nullptr, nullptr, "ja_JP.UTF-8", "ja_JP"},
    };
    for (const LocaleCase& c : cases) {
        ScopedEnv all("LC_ALL", c.lcAll);
        ScopedEnv messages("LC_MESSAGES", c.lcMessages);
        ScopedEnv lang("LANG", c.lang);
        EXPECT_EQ(qfjsbinding::CurrentLocaleIdentifier(), c.identifier)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
            << (c.lang ? c.lang : "-");
    }
}

// ICU takes a language "i-default" with more after it as "the default
// locale"; asked for while its own default is not made yet, with the same
// name in the environment, ICU deadlocks on its own lock. Each name runs in a
// fresh process (the "threadsafe" style starts the test program again), where
// ICU has no default yet, as in a host whose first use of ICU is ours.
struct DefaultLanguageCase {
    const char* lcAll;
    const char* identifier;
};

void PrintIdentifierAndExit(const char* lcAll) {
    setenv("LC_ALL", lcAll, 1);
    std::fputs(qfjsbinding::CurrentLocaleIdentifier().c_str(), stderr);
    std::exit(0);
}

TEST(PlatformLocaleDeathTest, DefaultLanguageNamesDoNotHangAFreshProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const DefaultLanguageCase cases[] = {
        {"i-default_JP.U8", "^en_JP$"},
        {"i-default_JP", "^en_JP$"},
        {"i-defAult_JP.U8", "^en_JP$"},
        {"I_DEFAULT_JP", "^en_JP$"},
        {"i-default_", "^en__$"},
        {"i-defaultx_JP", "^i-defaultx_JP$"},
        {"i-default@a", "^en__A$"},
        {"i-default.UTF-8", "^en$"},
        {"i-default", "^en$"},
    };
    for (const DefaultLanguageCase& c : cases) {
        EXPECT_EXIT(PrintIdentifierAndExit(c.lcAll), testing::ExitedWithCode(0), c.identifier) << c.lcAll;
    }
}

}  // namespace
