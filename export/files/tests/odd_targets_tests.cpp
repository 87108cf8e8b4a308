// Every reader and writer of the program's files against what a user's set-up
// can put where a file is expected: a named pipe, a link to a device, a
// folder, a huge file, a read-only file, a link to a file elsewhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "files/config.h"
#include "files/csv_table.h"
#include "files/valfile.h"
#include "parameters/par_file.h"
#include "parameters/par_text.h"
#include "parameters/sens_list.h"
#include "support/atomic_file.h"
#include "support_testing/odd_files.h"

namespace fs = std::filesystem;

namespace {

using support_testing::FileText;

std::size_t Entries(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::recursive_directory_iterator(dir), {}));
}

class OddTargets : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/odd_targets_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

using Io = std::function<int(const std::string& path, std::string* error)>;
struct Named {
    const char* name;
    Io io;
};

const Named kReaders[] = {
    {"configuration",
     [](const std::string& p, std::string* e) {
         ConfigValues v;
         return config_ReadFile(p, &v, e);
     }},
    {"spectrum file",
     [](const std::string& p, std::string* e) {
         return valfile::Load(p, std::make_unique<valfile::ValFileRecord>().get(), e);
     }},
    {"CSV table",
     [](const std::string& p, std::string* e) {
         csvtable::Layout next;
         return csvtable::AppendToFile(p, {}, {}, &next, e) == csvtable::AppendResult::Added ? 0
                                                                                             : -1;
     }},
    {".par file",
     [](const std::string& p, std::string* e) {
         parameters::ParBlock b{};
         return parameters::ReadParFile(p, &b, e);
     }},
    {"parameter text",
     [](const std::string& p, std::string* e) {
         std::string text;
         return parameters::ParText_ReadFile(p, &text, e);
     }},
    {"sensor list",
     [](const std::string& p, std::string* e) {
         parameters::SensList list;
         return parameters::PU_LoadSensList(p, 0, &list, e);
     }},
};

const Named kWriters[] = {
    {"spectrum file",
     [](const std::string& p, std::string* e) {
         auto r = std::make_unique<valfile::ValFileRecord>();
         r->pixelCount = 1;
         return valfile::Save(p, *r, e);
     }},
    {"configuration",
     [](const std::string& p, std::string* e) {
         ConfigValues v;
         config_SetDefaults(&v);
         return config_WriteFile(p, v, e);
     }},
    {".par file",
     [](const std::string& p, std::string* e) { return parameters::SaveParFile(p, {}, e); }},
    {"parameter text",
     [](const std::string& p, std::string* e) {
         return parameters::ParText_WriteFile(p, "*PARA:TINT 5\n", e);
     }},
    {"table, result file, picture",
     [](const std::string& p, std::string* e) { return support::WriteFileAtomic(p, "new", e); }},
    {"workbook, printout", // written by a library into a temporary, then committed
     [](const std::string& p, std::string* e) {
         const std::string temp = support::TempNameFor(p);
         std::ofstream(temp) << "new";
         return support::CommitFileAtomic(temp, p, e);
     }},
};

} // namespace

// Refused before a byte is read, at once: a pipe with no writer, a device
// that never ends, a folder, a file larger than the format can hold.
TEST_F(OddTargets, ReadersRefuseWhatIsNoRegularFileOrTooLarge) {
    struct Case {
        const char* name;
        std::function<bool(const fs::path&)> make;
        const char* says;
    };
    const Case cases[] = {
        {"named pipe", [](const fs::path& p) { return support_testing::MakeFifo(p); },
         "not a regular file"},
        {"link to /dev/full",
         [](const fs::path& p) {
             fs::create_symlink("/dev/full", p);
             return true;
         },
         "not a regular file"},
        {"folder", [](const fs::path& p) { return fs::create_directory(p); }, "not a regular file"},
        {"sparse 16 GiB file",
         [](const fs::path& p) {
             std::ofstream(p).put('[');
             std::error_code ec;
             fs::resize_file(p, std::uintmax_t{16} << 30, ec);
             return !ec;
         },
         "larger than"},
    };
    support_testing::HangGuard guard(20);
    int n = 0;
    for (const Case& c : cases) {
        for (const Named& r : kReaders) {
            const fs::path p = dir_ / ("odd" + std::to_string(n++));
            ASSERT_TRUE(c.make(p)) << c.name;
            std::string error;
            EXPECT_EQ(r.io(p.string(), &error), -1) << r.name << ", " << c.name;
            EXPECT_NE(error.find(c.says), std::string::npos)
                << r.name << ", " << c.name << ": " << error;
            fs::remove(p);
        }
    }
}

// A link is followed and stays a link; a file keeps its mode; a read-only
// file is refused as a plain write would refuse it (for root too, who passes
// every permission check); a pipe or device is refused before it is opened.
// Nothing is left beside the target either way.
TEST_F(OddTargets, WritersFollowLinksKeepModesAndRefuseWhatTheyCannotReplace) {
    const auto file = [](fs::perms mode) {
        return [mode](const fs::path& p) {
            std::ofstream(p) << "old";
            fs::permissions(p, mode);
        };
    };
    const struct {
        const char* name;
        std::function<void(const fs::path&)> make;
        const char* says; // nullptr: replaced
    } cases[] = {
        {"file", file(fs::perms(0640)), nullptr},
        {"read-only file", file(fs::perms(0400)), "Permission denied"},
        {"link to a file elsewhere",
         [](const fs::path& p) {
             fs::create_directory(p.parent_path() / "elsewhere");
             std::ofstream(p.parent_path() / "elsewhere" / "real") << "old";
             fs::create_symlink("elsewhere/real", p);
         },
         nullptr},
        {"named pipe", [](const fs::path& p) { support_testing::MakeFifo(p); },
         "not a regular file"},
        {"link to a device",
         [](const fs::path& p) {
             // A node of its own where one can be made: a writer that renamed
             // over the device would otherwise replace the system's /dev/full.
             const fs::path node = p.parent_path() / "full";
             const bool own = ::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
             fs::create_symlink(own ? node : fs::path("/dev/full"), p);
         },
         "not a regular file"},
    };
    support_testing::HangGuard guard(20);
    int n = 0;
    for (const auto& c : cases) {
        for (const Named& w : kWriters) {
            SCOPED_TRACE(std::string(w.name) + ", " + c.name);
            const fs::path sub = dir_ / std::to_string(n++), p = sub / "target";
            fs::create_directory(sub);
            c.make(p);
            const auto kind = fs::symlink_status(p).type();
            const auto mode = fs::status(p).permissions();
            const std::size_t entries = Entries(sub);
            std::string error;
            const int result = w.io(p.string(), &error);
            EXPECT_EQ(fs::symlink_status(p).type(), kind);
            EXPECT_EQ(fs::status(p).permissions(), mode);
            EXPECT_EQ(Entries(sub), entries);
            if (c.says == nullptr) {
                EXPECT_EQ(result, 0) << error;
                EXPECT_NE(FileText(p), "old");
            } else {
                EXPECT_EQ(result, -1);
                EXPECT_NE(error.find("\"" + p.string() + "\": " + c.says), std::string::npos)
                    << error;
                if (fs::is_regular_file(p)) {
                    EXPECT_EQ(FileText(p), "old");
                }
            }
        }
    }
}
