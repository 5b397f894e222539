#include "platform/KeyStore.h"

#include "tests/app/SettingsTestDir.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace hx {
namespace {
    namespace fs = std::filesystem;
    using test::SettingsTestDir;

    using KeyStoreTest = SettingsTestDir;

    std::vector<fs::path> FilesIn(const fs::path& dir)
    {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(dir))
            out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }

    TEST_F(KeyStoreTest, NamesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling)
    {
        KeyStore store(file);
        store.WriteDword("Frmtop", 200);
        EXPECT_EQ(store.ReadDword("FrmTop"), 200u);
        EXPECT_EQ(store.ReadDword("FRMTOP"), 200u);

        store.WriteDword("FrmTop", 300);
        ASSERT_EQ(store.Entries().size(), 1u);
        EXPECT_EQ(store.Entries()[0].name, "Frmtop");
        EXPECT_EQ(store.ReadDword("frmtop"), 300u);
        EXPECT_FALSE(store.Exists("Frmtops"));
    }

    TEST_F(KeyStoreTest, AValueOfAnotherTypeReadsAsAbsent)
    {
        KeyStore store(file);
        store.WriteString("FontSize", "60");
        store.WriteDword("Font", 5);
        store.WriteBinary("TaskTime", { 1, 2 });

        EXPECT_EQ(store.ReadString("FontSize"), "60");
        EXPECT_FALSE(store.ReadDword("FontSize"));
        EXPECT_FALSE(store.ReadBinary("FontSize"));
        EXPECT_FALSE(store.ReadString("Font"));
        EXPECT_FALSE(store.ReadString("TaskTime"));
        EXPECT_FALSE(store.ReadDword("TaskTime"));
        EXPECT_EQ(store.TypeOf("font"), KeyStore::Type::Dword);
        EXPECT_FALSE(store.TypeOf("Missing"));

        // A later write of another type replaces the value and its type.
        store.WriteDword("FontSize", 61);
        EXPECT_FALSE(store.ReadString("FontSize"));
        EXPECT_EQ(store.ReadDword("FontSize"), 61u);
    }

    TEST_F(KeyStoreTest, EveryStringAndBinaryValueRoundTripsThroughTheFile)
    {
        const std::vector<std::pair<std::string, std::string>> strings = {
            { "Font", "宋体" },
            { "City", "北京" },
            { "Astro", "双鱼座" },
            { "Empty", "" },
            { "Quotes", "say \"hi\" \\ back\\" },
            { "Controls", std::string("a\nb\r\tc\x01\x7f", 9) },
            { "Nul", std::string("x\0y", 3) },
            { "Not UTF-8", "\xff\xfe\xc0\xaf\xed\xa0\x80" }, // stray, overlong, surrogate
            { "Cut UTF-8", "\xe5\xae" },
            { "name with = and ;", "=;#" },
            { "名字", "Ünïcödé 😀" },
            { "", "the unnamed value" },
        };
        KeyStore::Bytes all;
        for (int i = 0; i < 256; ++i)
            all.push_back(static_cast<uint8_t>(i));

        KeyStore store(file);
        for (const auto& [name, value] : strings)
            store.WriteString(name, value);
        store.WriteBinary("All", all);
        store.WriteBinary("None", {});
        store.WriteDword("Zero", 0);
        store.WriteDword("Max", 0xFFFFFFFF);
        ASSERT_TRUE(store.Save());

        KeyStore again(file);
        ASSERT_TRUE(again.Load());
        for (const auto& [name, value] : strings)
            EXPECT_EQ(again.ReadString(name), value) << name;
        EXPECT_EQ(again.ReadBinary("All"), all);
        EXPECT_EQ(again.ReadBinary("None"), KeyStore::Bytes {});
        EXPECT_EQ(again.ReadDword("Zero"), 0u);
        EXPECT_EQ(again.ReadDword("Max"), 0xFFFFFFFFu);
        EXPECT_EQ(again.Entries().size(), store.Entries().size());

        // Chinese text is stored as itself, so that the file stays readable.
        const std::string text = ReadText(file);
        EXPECT_NE(text.find("\"Font\"=\"宋体\"\n"), std::string::npos);
        EXPECT_NE(text.find("\"Max\"=dword:ffffffff\n"), std::string::npos);
        EXPECT_TRUE(log.empty());
    }

    TEST_F(KeyStoreTest, AcceptsHandEditedVariants)
    {
        WriteText(file,
            "\xEF\xBB\xBF; comment\r\n"
            "# another\n"
            "\n"
            "  \"A\" = \"x\"  \r\n"
            "\"B\"=DWORD:3C\n"
            "\"C\"=HEX: 0A , ff,00\n"
            "\"D\"=hex:\n"
            "\"a\"=\"again\"\n"
            "\"E\"=dword:0"); // no final newline
        KeyStore store(file);
        ASSERT_TRUE(store.Load()) << (log.empty() ? "" : log[0]);
        EXPECT_EQ(store.Entries().size(), 5u);
        EXPECT_EQ(store.ReadString("A"), "again"); // a repeated name: the later line wins
        EXPECT_EQ(store.ReadDword("B"), 60u);
        EXPECT_EQ(store.ReadBinary("C"), (KeyStore::Bytes { 0x0a, 0xff, 0x00 }));
        EXPECT_EQ(store.ReadBinary("D"), KeyStore::Bytes {});
        EXPECT_EQ(store.ReadDword("E"), 0u);
    }

    TEST(KeyStoreFormat, RejectsMalformedLines)
    {
        const char* bad[] = {
            "Font=\"x\"", // unquoted name
            "\"Font\"",
            "\"Font\"=",
            "\"Font\"=\"unterminated",
            "\"Font\"=\"x\" trailing",
            "\"Font\"=\"bad \\q escape\"",
            "\"Font\"=\"bad \\x4 escape\"",
            "\"Font\"=\"cut \\",
            "\"N\"=dword:",
            "\"N\"=dword:123456789", // more than 32 bits
            "\"N\"=dword:12g",
            "\"N\"=dword:-1",
            "\"B\"=hex:1",
            "\"B\"=hex:01,",
            "\"B\"=hex:0102",
            "\"B\"=hex:zz",
            "\"X\"=qword:1",
            "\"Unterminated name=\"x\"",
        };
        for (const char* line : bad) {
            std::string error;
            EXPECT_FALSE(KeyStore::Parse(std::string("; ok\n\"Ok\"=\"fine\"\n") + line + "\n", &error)) << line;
            EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << line << " -> " << error;
        }
    }

    TEST_F(KeyStoreTest, AFileThatCannotBeParsedIsMovedAsideAndTheStoreStartsEmpty)
    {
        const std::string garbage = "\"Font\"=\"宋体\"\nthis is not a settings line\n";
        WriteText(file, garbage);

        KeyStore store(file);
        EXPECT_FALSE(store.Load());
        EXPECT_TRUE(store.Entries().empty());
        EXPECT_FALSE(fs::exists(file));

        auto files = FilesIn(file.parent_path());
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].string().rfind("settings.conf.corrupt-", 0), 0u) << files[0];
        EXPECT_EQ(ReadText(file.parent_path() / files[0]), garbage);
        EXPECT_TRUE(LogMentions("line 2")) << (log.empty() ? "" : log[0]);
        EXPECT_TRUE(LogMentions(files[0].string()));

        // A second broken file in the same second does not replace the first one.
        WriteText(file, "also broken");
        EXPECT_FALSE(store.Load());
        EXPECT_EQ(FilesIn(file.parent_path()).size(), 2u);

        // The next save writes a fresh file next to the kept ones.
        store.WriteDword("FontSize", 60);
        ASSERT_TRUE(store.Save());
        KeyStore again(file);
        ASSERT_TRUE(again.Load());
        EXPECT_EQ(again.ReadDword("FontSize"), 60u);
    }

    TEST_F(KeyStoreTest, AnOversizedFileIsTreatedAsCorrupt)
    {
        WriteText(file, std::string(KeyStore::MaxFileSize + 1, ';'));
        KeyStore store(file);
        EXPECT_FALSE(store.Load());
        EXPECT_FALSE(fs::exists(file));
        EXPECT_TRUE(LogMentions("larger than"));
    }

    TEST_F(KeyStoreTest, LoadAndSaveCreateTheFolder)
    {
        KeyStore store(file);
        EXPECT_TRUE(store.Load()); // a missing file is an empty store
        EXPECT_TRUE(fs::is_directory(file.parent_path()));
        EXPECT_TRUE(store.Entries().empty());

        fs::remove_all(dir / "Brightfen");
        store.WriteString("City", "北京");
        ASSERT_TRUE(store.Save());
        EXPECT_EQ(FilesIn(file.parent_path()), std::vector<fs::path> { "settings.conf" }); // no temp file left
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_TRUE(log.empty());
    }

    TEST_F(KeyStoreTest, SavingThroughASymlinkReplacesItsTarget)
    {
        const fs::path real = dir / "dotfiles" / "horalux.conf";
        WriteText(real, "\"Old\"=dword:1\n");
        fs::create_directories(file.parent_path());
        fs::create_symlink(real, file);

        KeyStore store(file);
        ASSERT_TRUE(store.Load());
        store.WriteDword("New", 2);
        ASSERT_TRUE(store.Save());
        EXPECT_TRUE(fs::is_symlink(file));
        EXPECT_NE(ReadText(real).find("\"New\"=dword:00000002"), std::string::npos);
        EXPECT_NE(ReadText(real).find("\"Old\"=dword:00000001"), std::string::npos);
    }

    TEST_F(KeyStoreTest, AFullDiskLeavesTheOldFileIntact)
    {
        const std::string old = "\"Font\"=\"宋体\"\n\"FontSize\"=dword:0000003c\n";
        WriteText(file, old);
        KeyStore store(file);
        ASSERT_TRUE(store.Load());
        store.WriteString("Font", "黑体");

        KeyStore::SetTempFileHookForTesting([](int fd) {
            int full = ::open("/dev/full", O_WRONLY);
            ASSERT_GE(full, 0);
            ::dup2(full, fd);
            ::close(full);
        });
        const bool saved = store.Save();
        KeyStore::SetTempFileHookForTesting({});

        EXPECT_FALSE(saved);
        EXPECT_EQ(ReadText(file), old);
        EXPECT_EQ(FilesIn(file.parent_path()), std::vector<fs::path> { "settings.conf" });
        EXPECT_TRUE(LogMentions("No space left on device")) << (log.empty() ? "" : log[0]);

        // The store still holds the change, so a later save can succeed.
        ASSERT_TRUE(store.Save());
        KeyStore again(file);
        ASSERT_TRUE(again.Load());
        EXPECT_EQ(again.ReadString("Font"), "黑体");
    }

    TEST_F(KeyStoreTest, AFolderThatCannotBeCreatedFailsWithoutACrash)
    {
        // Root writes anywhere, but not below a regular file.
        WriteText(dir / "Brightfen", "a file where the folder should be");
        KeyStore store(file);
        EXPECT_TRUE(store.Load());
        store.WriteDword("FontSize", 60);
        EXPECT_FALSE(store.Save());
        EXPECT_TRUE(LogMentions("cannot create the folder"));
        EXPECT_EQ(ReadText(dir / "Brightfen"), "a file where the folder should be");
    }

    TEST_F(KeyStoreTest, AReadOnlyFolderLeavesTheOldFileIntact)
    {
        const std::string old = "\"FontSize\"=dword:0000003c\n";
        WriteText(file, old);
        for (fs::path p = file.parent_path(); p != dir.parent_path(); p = p.parent_path())
            ::chmod(p.c_str(), 0755); // so that the unprivileged child can reach it
        ::chmod(file.parent_path().c_str(), 0555);

        // Root ignores folder permissions, so the save runs in a child without root's rights.
        EXPECT_EXIT(
            {
                if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                    std::_Exit(3);
                SetLogSink([](std::string_view line) {
                    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
                });
                KeyStore store(file);
                if (!store.Load())
                    std::_Exit(4);
                store.WriteDword("FontSize", 70);
                std::_Exit(store.Save() ? 1 : 0);
            },
            ::testing::ExitedWithCode(0), "cannot create a temporary file");
        EXPECT_EQ(ReadText(file), old);
        ::chmod(file.parent_path().c_str(), 0755);
    }

    TEST_F(KeyStoreTest, AnUnreadableFileIsNeitherUsedNorOverwritten)
    {
        fs::create_directories(file); // a folder where the file should be
        KeyStore store(file);
        EXPECT_FALSE(store.Load());
        store.WriteDword("FontSize", 60);
        EXPECT_FALSE(store.Save());
        EXPECT_TRUE(fs::is_directory(file));
        EXPECT_TRUE(LogMentions("not saving over"));
    }

    TEST(DefaultSettingsPath, FollowsXdgConfigHomeElseHome)
    {
        struct Case {
            const char* xdg;
            const char* home;
            const char* expected;
        };
        const Case cases[] = {
            { "/xdg", "/home/u", "/xdg/Brightfen/Horalux/settings.conf" },
            { nullptr, "/home/u", "/home/u/.config/Brightfen/Horalux/settings.conf" },
            { "", "/home/u", "/home/u/.config/Brightfen/Horalux/settings.conf" },
            { "relative/dir", "/home/u", "/home/u/.config/Brightfen/Horalux/settings.conf" },
        };
        const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        const char* savedXdgRaw = std::getenv("XDG_CONFIG_HOME");
        const std::optional<std::string> savedXdg
            = savedXdgRaw ? std::optional<std::string>(savedXdgRaw) : std::nullopt;
        for (const Case& c : cases) {
            ::setenv("HOME", c.home, 1);
            if (c.xdg)
                ::setenv("XDG_CONFIG_HOME", c.xdg, 1);
            else
                ::unsetenv("XDG_CONFIG_HOME");
            EXPECT_EQ(DefaultSettingsPath(), fs::path(c.expected)) << (c.xdg ? c.xdg : "(unset)");
        }
        ::setenv("HOME", savedHome.c_str(), 1);
        if (savedXdg)
            ::setenv("XDG_CONFIG_HOME", savedXdg->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }

} // namespace
} // namespace hx
