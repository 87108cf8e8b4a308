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

#include "book/book.h"
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

// What a user's set-up can put where a file is expected.
struct Odd {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* readSays;  // what each reader says; nullptr: not read
    const char* writeSays; // what each writer says; nullptr: the file is replaced
};

std::function<void(const fs::path&)> File(fs::perms mode) {
    return [mode](const fs::path& p) {
        std::ofstream(p) << "old";
        fs::permissions(p, mode);
    };
}

// To a device node of the test's own where one can be made and opened: a
// writer that renamed over it would otherwise replace the system's /dev/full.
void LinkToDevice(const fs::path& p) {
    const fs::path node = p.string() + ".dev";
    const bool own =
        ::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0 && std::ifstream(node).good();
    fs::create_symlink(own ? node : fs::path("/dev/full"), p);
}

const char kNotRegular[] = "not a regular file";
const Odd kOdd[] = {
    {"named pipe", [](const fs::path& p) { support_testing::MakeFifo(p); }, kNotRegular,
     kNotRegular},
    {"link to a device", LinkToDevice, kNotRegular, kNotRegular},
    {"folder", [](const fs::path& p) { fs::create_directory(p); }, kNotRegular, kNotRegular},
    {"sparse 16 GiB file",
     [](const fs::path& p) {
         std::ofstream(p).put('[');
         fs::resize_file(p, std::uintmax_t{16} << 30);
     },
     "larger than", nullptr},
    {"file", File(fs::perms(0640)), nullptr, nullptr},
    // Refused as a plain write would refuse it, for root too (who passes
    // every permission check).
    {"read-only file", File(fs::perms(0400)), nullptr, "Permission denied"},
    {"link to a file elsewhere",
     [](const fs::path& p) {
         fs::create_directory(p.parent_path() / "elsewhere");
         File(fs::perms(0640))(p.parent_path() / "elsewhere" / "real");
         fs::create_symlink("elsewhere/real", p);
     },
     nullptr, nullptr},
};

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
    // The odd target, alone in a folder of its own.
    fs::path Target(const Odd& c) {
        const fs::path sub = dir_ / std::to_string(made_++);
        fs::create_directory(sub);
        c.make(sub / "target");
        return sub / "target";
    }
    fs::path dir_;
    int made_ = 0;
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
         const csvtable::Cells column;
         return csvtable::AppendToFile(p, {&column, 1}, e) == csvtable::AppendResult::Added ? 0
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

int SaveBook(book::Kind kind, const std::string& path, std::string* error) {
    book::Book b(kind);
    b.AddSheet("Sheet1");
    b.WriteStr(0, 0, 0, "new");
    if (b.Save(path))
        return 0;
    *error = b.Error();
    return -1;
}

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
    {"workbook .xls",
     [](const std::string& p, std::string* e) { return SaveBook(book::Kind::Xls, p, e); }},
    {"workbook .xlsx",
     [](const std::string& p, std::string* e) { return SaveBook(book::Kind::Xlsx, p, e); }},
    {"printout", // written by the toolkit into a temporary, then committed
     [](const std::string& p, std::string* e) {
         const std::string temp = support::TempNameFor(p);
         std::ofstream(temp) << "new";
         return support::CommitFileAtomic(temp, p, e);
     }},
};

} // namespace

// Refused before a byte is read, at once: nothing blocks, nothing large is read.
TEST_F(OddTargets, ReadersRefuseWhatIsNoRegularFileOrTooLarge) {
    support_testing::HangGuard guard(20);
    for (const Odd& c : kOdd) {
        for (const Named& r : kReaders) {
            if (c.readSays == nullptr)
                continue;
            SCOPED_TRACE(std::string(r.name) + ", " + c.name);
            const fs::path p = Target(c);
            std::string error;
            EXPECT_EQ(r.io(p.string(), &error), -1);
            EXPECT_NE(error.find(c.readSays), std::string::npos) << error;
        }
    }
}

// A link is followed and stays a link, a file keeps its mode, and nothing is
// left beside the target, whether it was replaced or refused.
TEST_F(OddTargets, WritersFollowLinksKeepModesAndRefuseWhatTheyCannotReplace) {
    support_testing::HangGuard guard(20);
    for (const Odd& c : kOdd) {
        for (const Named& w : kWriters) {
            SCOPED_TRACE(std::string(w.name) + ", " + c.name);
            const fs::path p = Target(c);
            const auto kind = fs::symlink_status(p).type();
            const auto mode = fs::status(p).permissions();
            const std::size_t entries = Entries(p.parent_path());
            std::string error;
            const int result = w.io(p.string(), &error);
            EXPECT_EQ(fs::symlink_status(p).type(), kind);
            EXPECT_EQ(fs::status(p).permissions(), mode);
            EXPECT_EQ(Entries(p.parent_path()), entries);
            if (c.writeSays == nullptr) {
                EXPECT_EQ(result, 0) << error;
                EXPECT_NE(FileText(p), "old");
            } else {
                EXPECT_EQ(result, -1);
                EXPECT_NE(error.find("\"" + p.string() + "\": " + c.writeSays), std::string::npos)
                    << error;
                if (fs::is_regular_file(p)) {
                    EXPECT_EQ(FileText(p), "old");
                }
            }
        }
    }
}
