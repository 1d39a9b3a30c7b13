#include <nlohmann/json.hpp>

#include <utility>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

using Found = std::vector<std::pair<std::uint64_t, std::string>>;

class CheckCommandTest : public CliTest {
 protected:
  // A 64k disk with 256-byte sectors: a 300-byte entry at 256 (512 bytes
  // long) and a 10-byte one at 768 (256 bytes long); the chain ends at 1024.
  void SetUp() override {
    NewDisk();
    Write("a.bin", Bytes(300, 0xA1));
    Write("b.bin", Bytes(10, 0xB2));
    Succeed({"add", "disk.rom", "a.bin", "b.bin"});
  }

  // Writes the disk with `bytes` put in from `position` on.
  void Patch(std::size_t position, const Bytes& bytes) const {
    auto disk = FileBytes("disk.rom");
    std::copy(bytes.begin(), bytes.end(), disk.begin() + static_cast<std::ptrdiff_t>(position));
    Write("disk.rom", disk);
  }

  nlohmann::json CheckJson(int status, const std::string& image = "disk.rom") const {
    const auto run = Run({"check", image, "--json"});
    EXPECT_EQ(run.status, status) << run.out;
    EXPECT_EQ(run.err, "");
    return nlohmann::json::parse(run.out);
  }

  // Position and kind of each problem of a check that finds problems.
  Found Problems() const {
    const auto json = CheckJson(1);
    Found found;
    for (const auto& item : json["problems"]) {
      found.emplace_back(item["position"], item["kind"]);
    }
    return found;
  }
};

TEST_F(CheckCommandTest, FindsNothingOnImagesThatNewAndAddMake) {
  EXPECT_EQ(Succeed({"check", "disk.rom"}),
            "Проблем не найдено.\n"
            "Записей: 2\n"
            "Удалённых записей: 0, в них байт: 0\n"
            "Свободно: 64512\n");
  const auto json = CheckJson(0);
  EXPECT_EQ(json["problems"], nlohmann::json::array());
  EXPECT_EQ(json["notes"], nlohmann::json::array());
  EXPECT_EQ(json["entries"], 2);
  EXPECT_EQ(json["free_space"], 64512);

  // A chain that ends exactly at the disk's end is sound too.
  Succeed({"new", "full.rom", "--size", "64k", "--sector", "1"});
  Write("fill.bin", Bytes(65536 - 48 - 44 - 1, 0x00));
  Succeed({"add", "full.rom", "fill.bin"});
  auto full = FileBytes("full.rom");
  full[48 + 40] = 0xD0;  // total length 65488: from 48 to the disk's end
  full[48 + 41] = 0xFF;
  Write("disk.rom", full);
  EXPECT_EQ(CheckJson(0)["free_space"], 0);
}

TEST_F(CheckCommandTest, FindsEachHeaderProblemAtItsField) {
  const auto pristine = FileBytes("disk.rom");
  Succeed({"new", "disk.rom", "--size", "64k", "--force"});
  Patch(8, Bytes(32, 'L'));             // a label without NUL
  Patch(44, {0x80, 0x01, 0x00, 0x00});  // 384: half-way into a 256-byte sector
  EXPECT_EQ(Problems(), (Found{{8, "label_without_nul"}, {44, "directory_off_sector"}}));

  Write("disk.rom", pristine);
  Patch(44, {0x20, 0x00, 0x00, 0x00});
  EXPECT_EQ(Problems(), (Found{{44, "directory_in_header"}}));
  Patch(44, {0x00, 0x00, 0x02, 0x00});
  EXPECT_EQ(Problems(), (Found{{44, "directory_past_disk"}}));

  Write("disk.rom", pristine);
  Patch(6, {0x88, 0x00});  // 136-byte sectors
  EXPECT_EQ(Problems(), (Found{{6, "bad_sector_size"}}));
  Patch(2, {0x00, 0x00, 0x03, 0x00});  // three times 64k
  EXPECT_EQ(Problems(), (Found{{2, "bad_disk_size"}}));
  Patch(0, {0x55, 0xAA});
  EXPECT_EQ(Problems(), (Found{{0, "bad_magic"}}));
}

TEST_F(CheckCommandTest, FindsAFileShorterOrLongerThanItsDisk) {
  auto disk = FileBytes("disk.rom");
  Write("disk.rom", Slice(disk, 0, 5000));
  EXPECT_EQ(Problems(), (Found{{5000, "short_file"}}));
  disk.resize(70000, 0xFF);
  Write("disk.rom", disk);
  EXPECT_EQ(Problems(), (Found{{65536, "long_file"}}));
  disk.resize(9 * 1024 * 1024, 0xFF);  // longer than any disk and the program's buffer
  Write("disk.rom", disk);
  EXPECT_EQ(Problems(), (Found{{65536, "long_file"}}));
}

// `set --set aligned` on a 300-byte entry 512 bytes long leaves its data
// where it was, so the image stays one that every command takes.
TEST_F(CheckCommandTest, AnAlignedEntryWhoseDataFitsIsSound) {
  Succeed({"set", "disk.rom", "1", "--set", "aligned"});
  EXPECT_EQ(CheckJson(0)["problems"], nlohmann::json::array());
  Succeed({"replace", "disk.rom", "1", "a.bin"});
  Succeed({"remove", "disk.rom", "2"});
  EXPECT_EQ(CheckJson(0)["entries"], 1);
}

TEST_F(CheckCommandTest, FindsBrokenLinksAndBadEntriesAtTheirEntry) {
  const auto pristine = FileBytes("disk.rom");
  Patch(768 + 40, {0x10, 0x00, 0x00, 0x00});  // a total length of 16, below its own data
  EXPECT_EQ(Problems(), (Found{{768, "entry_too_short"}, {768, "data_past_room"}}));

  Write("disk.rom", pristine);
  Patch(256 + 40, {0x00, 0x00, 0x01, 0x00});  // 65536 bytes from 256 on
  EXPECT_EQ(Problems(), (Found{{256, "entry_past_disk"}}));

  Write("disk.rom", pristine);
  Patch(256 + 36, {0xD5, 0x01, 0x00, 0x00});  // 469 bytes of data: 44 + 469 > 512
  EXPECT_EQ(Problems(), (Found{{256, "data_past_room"}}));

  Write("disk.rom", pristine);
  // A total length of 513: not whole sectors, and the link misses the second
  // entry by one byte, landing on its erased attribute byte.
  Patch(256 + 40, {0x01, 0x02, 0x00, 0x00});
  Patch(256 + 2, Bytes(32, 'N'));
  EXPECT_EQ(Problems(), (Found{{256, "entry_not_whole_sectors"},
                               {256, "name_without_nul"},
                               {770, "not_erased"},     // its name
                               {802, "not_erased"}}));  // its other fields and data

  Write("disk.rom", pristine);
  Patch(768 + 2, {0x00});
  EXPECT_EQ(Problems(), (Found{{768, "empty_name"}}));
}

TEST_F(CheckCommandTest, FindsLeftoversAfterTheChainThatTheNextWriteWouldMeet) {
  Patch(3000, {0x01, 0x02, 0x03});
  Patch(4096, {0xE6, 0x00});
  Patch(5000, {0xE6});  // not at a sector boundary: not a marker the chain could reach
  EXPECT_EQ(Problems(), (Found{{3000, "not_erased"},
                               {4096, "not_erased"},
                               {4096, "stray_marker"},
                               {5000, "not_erased"}}));
  const auto text = Run({"check", "disk.rom"});
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.out.find("Байт 4096: Метка записи в свободном месте"), std::string::npos)
      << text.out;
}

TEST_F(CheckCommandTest, NotesWhatIsAllowedButProbablyNotMeantWithoutFailing) {
  Succeed({"new", "big.rom", "--size", "128k"});
  Write("big.bin", Bytes(0x10000, 0x00));
  Succeed({"add", "big.rom", "a.bin", "b.bin", "big.bin", "--no-big"});
  Succeed({"set", "big.rom", "2", "--set", "deleted"});
  const auto json = CheckJson(0, "big.rom");
  ASSERT_EQ(json["notes"].size(), 2u);
  EXPECT_EQ(json["notes"][0]["position"], 768);
  EXPECT_EQ(json["notes"][0]["kind"], "deleted_entry");
  EXPECT_EQ(json["notes"][1]["position"], 1024);
  EXPECT_EQ(json["notes"][1]["kind"], "big_size_wraps");
  EXPECT_EQ(json["entries"], 3);
  EXPECT_EQ(json["deleted_entries"], 1);
  EXPECT_EQ(json["deleted_bytes"], 256);
  // 128k less the header sector, 512 + 256 bytes of a.bin and b.bin and
  // 65,536 + 44 rounded up to sectors.
  EXPECT_EQ(Succeed({"check", "big.rom"}),
            "Замечание, байт 768: Удалённая запись всё ещё занимает место.\n"
            "Замечание, байт 1024: Данные от 64 КиБ без атрибута «Большой»: размер "
            "показывается усечённым.\n"
            "Проблем не найдено.\n"
            "Записей: 3\n"
            "Удалённых записей: 1, в них байт: 256\n"
            "Свободно: 64256\n");
}

// A script tells a file it cannot read from one with problems by the status.
TEST_F(CheckCommandTest, RefusesWhatItCannotReadWithAStatusOfItsOwn) {
  Refuse({"check", "absent.rom"}, 3, "absent.rom", "Ошибка чтения файла!");
  const auto json = Run({"check", "absent.rom", "--json"});
  EXPECT_EQ(json.status, 3);
  EXPECT_EQ(nlohmann::json::parse(json.out), (nlohmann::json{{"message", "Ошибка чтения файла!"}}));
  EXPECT_EQ(Run({"check"}).status, 2);
}

}  // namespace
}  // namespace flashdisk::testing
