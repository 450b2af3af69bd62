// The choice of the temporary folder from free-space figures put in by the test.
#include "catalogue/TempFolder.h"

#include "platform/Status.h"

#include <cerrno>
#include <map>

#include <gtest/gtest.h>

using namespace catalogue;

namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

// A probe answering from a table: volumes absent from `free` do not answer.
VolumeProbe probe(std::map<std::string, std::uint64_t> free,
                  std::vector<std::string> volumes,
                  int listStatus = platform::kStatusOk)
{
    return VolumeProbe{[free](const std::string& path, std::uint64_t& bytes) {
                           const auto it = free.find(path);
                           if (it == free.end()) {
                               return EIO;
                           }
                           bytes = it->second;
                           return platform::kStatusOk;
                       },
                       [volumes, listStatus](std::vector<std::string>& roots) {
                           roots.insert(roots.end(), volumes.begin(), volumes.end());
                           return listStatus;
                       }};
}

} // namespace

TEST(TempFolderTest, ChoiceByFreeSpace)
{
    struct Case
    {
        const char* name;
        std::map<std::string, std::uint64_t> free;
        std::vector<std::string> volumes;
        std::string expected;
    };

    const Case cases[] = {
        {"20 GiB on the data volume",
         {{"/home/u/data", 20 * kGiB}, {"/big", 500 * kGiB}},
         {"/big"},
         "/home/u/data/KorimoBrenvale/KorimoTempFile"},
        {"10 GiB there, 50 GiB elsewhere",
         {{"/home/u/data", 10 * kGiB}, {"/", 5 * kGiB}, {"/mnt/big", 50 * kGiB}},
         {"/", "/mnt/big"},
         "/mnt/big/KorimoTempFile"},
        {"exactly 15 GiB is not enough",
         {{"/home/u/data", 15 * kGiB}, {"/", 15 * kGiB}},
         {"/"},
         "/KorimoTempFile"},
        {"one byte more is",
         {{"/home/u/data", 15 * kGiB + 1}, {"/", 900 * kGiB}},
         {"/"},
         "/home/u/data/KorimoBrenvale/KorimoTempFile"},
        {"ties go to the first listed",
         {{"/home/u/data", kGiB}, {"/a", 40 * kGiB}, {"/b", 40 * kGiB}},
         {"/a", "/b"},
         "/a/KorimoTempFile"},
        {"silent volumes are passed over",
         {{"/home/u/data", kGiB}, {"/b", 2 * kGiB}},
         {"/a", "/b", "/c"},
         "/b/KorimoTempFile"},
        {"data volume does not answer", {{"/a", 2 * kGiB}}, {"/a"}, "/a/KorimoTempFile"},
        {"no volume has free bytes", {{"/home/u/data", 0}, {"/a", 0}}, {"/a"}, ""},
        {"no volumes", {{"/home/u/data", kGiB}}, {}, ""},
    };
    for (const Case& c : cases) {
        std::string folder = "stale";
        EXPECT_EQ(chooseTempFolder("/home/u/data", probe(c.free, c.volumes), folder),
                  platform::kStatusOk)
            << c.name;
        EXPECT_EQ(folder, c.expected) << c.name;
    }
}

TEST(TempFolderTest, VolumeListFailureGivesItsStatus)
{
    std::string folder = "stale";
    EXPECT_EQ(chooseTempFolder("/d", probe({{"/d", kGiB}}, {}, EACCES), folder), EACCES);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(chooseTempFolder("", probe({}, {"/a"}), folder), platform::kStatusOk);
    EXPECT_EQ(folder, "");
}
