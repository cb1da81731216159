// The block device layer over disk images partitioned by sfdisk.
#include <gtest/gtest.h>

#include "ce/HandleTable.h"
#include "file/winblk/Winblk.h"
#include "file/winblk/WinblkDisk.h"
#include "platform/ce/CeDisk.h"
#include "platform/ce/CeFile.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"
#include "support/DiskImages.h"

namespace {

using namespace disk_testing;
using testing_support::DeviceFolder;

class WinblkTest : public ::testing::Test {
  protected:
    explicit WinblkTest(const std::string& extra = "") : device_("jornada720", extra) {}
    // A device a test opened and left open is released with the test.
    ~WinblkTest() override {
        if (record_.deviceState)
            winblk().close(&record_);
    }
    std::filesystem::path disk(int unit = 1) const {
        return device_.dir() / "disks" / ("DSK" + std::to_string(unit) + ".img");
    }
    int open(const char* prefix = "DSK", int unit = 1, int index = 0) {
        record_.device = &winblk();
        return winblk().open(&record_, prefix, unit, index);
    }
    WinblkDisk* state() const { return static_cast<WinblkDisk*>(record_.deviceState); }
    const std::string& log() const { return device_.machine().debugLog(); }
    bool logged(const std::string& text) const { return log().find(text) != std::string::npos; }

    DeviceFolder device_;
    OpenFileRecord record_;
};

TEST_F(WinblkTest, ChoosesThePartition) {
    struct Row {
        std::vector<std::string> partitions;
        uint32_t start;
        const char* why;
    } rows[] = {
        {{"start=64, size=100, type=a5", "start=200, size=100, type=a9",
          "start=400, size=100, type=a5"},
         200,
         "a5 a9 a5: the a9"},
        {{"start=64, size=100, type=a5", "start=200, size=100, type=83",
          "start=400, size=100, type=a5"},
         400,
         "two a5: the later"},
        {{"start=64, size=100, type=a9", "start=200, size=100, type=a9"}, 64, "two a9: the first"},
        {{"start=64, size=100, type=a9", "start=200, size=100, type=a5"}, 64, "a9 before a5"},
        {{"start=64, size=100, type=83", "start=200, size=100, type=c"}, 0, "neither: the disk"},
    };
    for (const Row& row : rows) {
        makeDisk(disk(), 600, row.partitions);
        ASSERT_EQ(open(), 0) << row.why;
        EXPECT_EQ(state()->startSector, row.start) << row.why;
        if (row.start == 0) {
            EXPECT_TRUE(logged("no Tolvar partition, start sector=0x0\n")) << log();
        } else {
            // No label was written: the partition table's start is used.
            std::stringstream expected;
            expected << "invalid disklabel, start sector=0x" << std::hex << row.start << "\n";
            EXPECT_TRUE(logged(expected.str())) << log();
        }
        winblk().close(&record_);
    }
}

TEST_F(WinblkTest, DebugOutput) {
    makeDisk(disk(), 2016, {"start=63, size=1000, type=a9"});
    ASSERT_EQ(open("dsk"), 0);
    EXPECT_EQ(log(),
              "winblk.open: block device name is 'DSK1:'\n"
              "DISK_INFO: CHS=2:16:63  block size=512  flag=MBR \n"
              "rawread(0x0, 1)=0\n"
              "0: type=169 63(1000) (0:1:1 - 0:16:55) flag=0x00\n"
              "1: type=0 0(0) (0:0:0 - 0:0:0) flag=0x00\n"
              "2: type=0 0(0) (0:0:0 - 0:0:0) flag=0x00\n"
              "3: type=0 0(0) (0:0:0 - 0:0:0) flag=0x00\n"
              "rawread(0x40, 1)=0\n"
              "invalid disklabel, start sector=0x3f\n");
}

TEST_F(WinblkTest, DiskLabel) {
    std::vector<LabelEntry> four = {{300, 50}, {350, 50}, {400, 50}, {450, 50}};
    std::vector<LabelEntry> nine(9, LabelEntry{300, 10});
    struct Row {
        std::string label;
        int index;
        int result;
        uint32_t start;
        const char* why;
    } rows[] = {
        {diskLabel(four), 0, 0, 300, "valid: the label's partition 0, from the disk's start"},
        {diskLabel(four), 3, 0, 450, "valid: partition 3"},
        {diskLabel(four), 4, 22, 0, "index beyond the announced partitions"},
        {diskLabel(four), -1, 22, 0, "negative index"},
        {diskLabel(four, {.badSecondMagic = true}), 0, 0, 100, "second magic wrong: invalid"},
        {diskLabel(four, {.badChecksum = true}), 0, 0, 100, "checksum not 0: invalid"},
        {diskLabel(nine), 0, 0, 100, "more than eight partitions: invalid"},
        {diskLabel(four, {.announced = 200}), 0, 0, 100, "a count running past the sector"},
    };
    for (const Row& row : rows) {
        makeDisk(disk(), 600, {"start=100, size=400, type=a9"});
        writeAt(disk(), 101 * kSector, row.label);
        int result = open("DSK", 1, row.index);
        EXPECT_EQ(result, row.result) << row.why;
        if (result == 0) {
            EXPECT_EQ(state()->startSector, row.start) << row.why;
            bool valid = row.start != 100;
            EXPECT_EQ(logged("invalid disklabel, start sector=0x64\n"), !valid) << row.why;
            if (valid) {
                EXPECT_TRUE(logged("start sector=0x")) << row.why;
            }
        } else {
            EXPECT_EQ(state(), nullptr) << row.why;
        }
        winblk().close(&record_);
    }
}

TEST_F(WinblkTest, Refusals) {
    makeDisk(disk(1), 600, {"start=100, size=400, type=a9"});
    struct Row {
        const char* prefix;
        int unit;
        int result;
        const char* message;  // in the debug output; "" for none at all
    } rows[] = {
        {"DS", 1, 19, ""},                      // prefix of two characters: no device is touched
        {"DSKX", 1, 19, ""},                    // four characters
        {"DSK", 10, 19, ""},                    // unit 10
        {"DSK", -1, 19, ""},                    // negative unit
        {"DSK", 2, 19, "can't open DSK2:.\n"},  // no such disk
    };
    for (const Row& row : rows) {
        device_.machine().debugOutput("");
        size_t before = log().size();
        size_t handles = device_.machine().component<host::HandleTable>().openCount();
        EXPECT_EQ(open(row.prefix, row.unit), row.result) << row.prefix << row.unit;
        EXPECT_EQ(state(), nullptr);
        std::string printed = log().substr(before);
        if (*row.message) {
            EXPECT_NE(printed.find(row.message), std::string::npos) << printed;
        } else {
            EXPECT_EQ(printed, "") << row.prefix << row.unit;
        }
        EXPECT_EQ(device_.machine().component<host::HandleTable>().openCount(), handles);
    }
}

class WinblkDriverTest : public WinblkTest {
  protected:
    explicit WinblkDriverTest(const std::string& extra) : WinblkTest(extra) {}
    void expectRefused(int result, const std::string& message) {
        makeDisk(disk(), 600, {"start=100, size=400, type=a9"});
        EXPECT_EQ(open(), result);
        EXPECT_TRUE(logged(message)) << log();
        EXPECT_EQ(state(), nullptr);
        EXPECT_EQ(device_.machine().component<host::HandleTable>().openCount(), 0u);
    }
};

struct DriverRow {
    const char* conf;
    int result;
    const char* message;
};

class WinblkDriverRows : public WinblkDriverTest, public ::testing::WithParamInterface<DriverRow> {
  protected:
    WinblkDriverRows() : WinblkDriverTest(GetParam().conf) {}
};

TEST_P(WinblkDriverRows, Answers) {
    expectRefused(GetParam().result, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Disks, WinblkDriverRows,
    ::testing::Values(
        // 2048-byte sectors.
        DriverRow{"disk.DSK1.bytes_per_sector = 2048", 22,
                  "block size=2048  flag=MBR \ninvalid flags\n"},
        // No MBR flag.
        DriverRow{"disk.DSK1.flags = 0", 22, "flag=\ninvalid flags\n"},
        // Geometry uncertain, unformatted.
        DriverRow{"disk.DSK1.flags = 3", 22, "flag=MBR CHS_UNCERTAIN \ninvalid flags\n"},
        DriverRow{"disk.DSK1.flags = 5", 22, "flag=MBR UNFORMATTED \ninvalid flags\n"},
        // The driver fails the read of sector 0.
        DriverRow{"disk.DSK1.bad_sector = 0", 5,
                  "rawread(0x0, 1)DeviceIoControl() failed.error=30\n"},
        // The driver fails the label's sector.
        DriverRow{"disk.DSK1.bad_sector = 101", 5,
                  "rawread(0x65, 1)DeviceIoControl() failed.error=30\n"}));

class WinblkPageableTest : public WinblkTest {
  protected:
    WinblkPageableTest() : WinblkTest("disk.DSK1.flags = 9\ndisk.DSK1.chs = 7:2:9") {}
};

TEST_F(WinblkPageableTest, PageableDiskIsAccepted) {
    makeDisk(disk(), 600, {"start=100, size=400, type=a9"});
    EXPECT_EQ(open(), 0);
    EXPECT_TRUE(logged("DISK_INFO: CHS=7:2:9  block size=512  flag=MBR PAGEABLE \n")) << log();
}

TEST_F(WinblkTest, ReadPastTheDiskIsAStatus) {
    // A partition table pointing beyond the image: the label read fails.
    makeDisk(disk(), 600, {"start=100, size=400, type=a9"});
    std::filesystem::resize_file(disk(), 101 * kSector);
    EXPECT_EQ(open(), 5);
    EXPECT_TRUE(logged("rawread(0x65, 1)=27\nDeviceIoControl(READ): status=27\n")) << log();
}

TEST_F(WinblkTest, Strategy) {
    makeDisk(disk(), 600, {"start=100, size=400, type=a9"});
    std::string bytes = patternBytes(4 * kSector, 7);
    writeAt(disk(), 110 * kSector, bytes);
    ASSERT_EQ(open(), 0);
    const DeviceSwitch& d = winblk();
    EXPECT_STREQ(d.name, "winblk");
    std::string out(1000, 0);
    uint32_t transferred = 0;
    size_t before = log().size();
    // 1000 bytes: one whole sector, then 488 bytes of the next through the buffer.
    ASSERT_EQ(d.strategy(state(), 1, 10, 1000, out.data(), &transferred), 0);
    EXPECT_EQ(out, bytes.substr(0, 1000));
    EXPECT_EQ(transferred, 1000u);
    EXPECT_EQ(log().substr(before), "rawread(0x6e, 1)=0\nrawread(0x6f, 1)=0\n");
    std::string whole(3 * kSector, 0);
    EXPECT_EQ(d.strategy(state(), 1, 11, 3 * kSector, whole.data(), nullptr), 0);
    EXPECT_EQ(whole, bytes.substr(kSector, 3 * kSector));
    EXPECT_EQ(d.strategy(state(), 2, 10, 512, out.data(), &transferred), 30);  // write
    EXPECT_EQ(d.strategy(state(), 0, 10, 512, out.data(), &transferred), 30);
    EXPECT_EQ(d.ioctl(&record_, 1, nullptr), 5);
    EXPECT_EQ(d.strategy(state(), 1, 10000, 512, out.data(), &transferred), 5);  // past the end
    EXPECT_EQ(d.close(&record_), 0);
    EXPECT_EQ(state(), nullptr);
    EXPECT_EQ(device_.machine().component<host::HandleTable>().openCount(), 0u);
}

TEST_F(WinblkTest, ReadsStayInsideThePartition) {
    struct Row {
        std::vector<std::string> partitions;
        std::string label;        // written at the partition's second sector; "" for none
        uint32_t diskSectors;     // the image is cut to this many sectors
        uint32_t start, sectors;  // the partition the reads are held to
        const char* why;
    } rows[] = {
        {{"start=100, size=400, type=a9"}, "", 600, 100, 400, "the partition table's extent"},
        {{"start=100, size=400, type=a9"},
         diskLabel({{150, 50}, {200, 10}}),
         600,
         150,
         50,
         "the label's partition 0"},
        {{"start=64, size=100, type=83"}, "", 600, 0, 600, "no partition: the whole disk"},
        {{"start=100, size=400, type=a9"}, "", 300, 100, 200, "cut at the end of the disk"},
    };
    for (const Row& row : rows) {
        makeDisk(disk(), 600, row.partitions);
        if (!row.label.empty())
            writeAt(disk(), 101 * kSector, row.label);
        std::filesystem::resize_file(disk(), uint64_t(row.diskSectors) * kSector);
        ASSERT_EQ(open(), 0) << row.why;
        EXPECT_EQ(state()->startSector, row.start) << row.why;
        EXPECT_EQ(state()->sectorCount, row.sectors) << row.why;
        const DeviceSwitch& d = winblk();
        std::string out(1024, 0);
        struct Read {
            uint32_t sector, count;
            int result;
        } reads[] = {
            {row.sectors - 1, 512, 0},         // the last sector
            {row.sectors - 2, 1024, 0},        // the last two
            {row.sectors - 1, 513, 5},         // one byte past
            {row.sectors, 1, 5},               // the first sector after it
            {0xFFFFFFFF, 512, 5},              // a sector number that would wrap
            {row.sectors - 1, 0xFFFFFE00, 5},  // a count that would wrap
        };
        for (const Read& r : reads) {
            size_t before = log().size();
            std::vector<char> buffer(r.count <= 1024 ? 1024 : 0);
            EXPECT_EQ(d.strategy(state(), 1, r.sector, r.count, buffer.data(), nullptr), r.result)
                << row.why << " sector " << r.sector << " count " << r.count;
            std::string printed = log().substr(before);
            // Out of range: refused before the driver is asked.
            EXPECT_EQ(printed.find("rawread") == std::string::npos, r.result != 0) << printed;
            EXPECT_EQ(printed.find("read beyond the partition: ") != std::string::npos,
                      r.result != 0)
                << printed;
        }
        winblk().close(&record_);
    }
}

TEST_F(WinblkTest, DriverFailuresAreShownOnTheConsole) {
    makeDisk(disk(), 600, {"start=100, size=400, type=a9"});
    testing_support::CaptureConsole capture;
    Console* console = &capture;
    record_.console = &console;
    std::string error;
    ASSERT_TRUE(device_.machine().profile().set("disk.DSK1.bad_sector", "110", error));
    ASSERT_EQ(open(), 0);
    EXPECT_EQ(capture.utf8(), "");  // progress stays on the debug output
    std::string out(1024, 0);
    EXPECT_EQ(winblk().strategy(state(), 1, 10, 1024, out.data(), nullptr), 5);
    EXPECT_EQ(capture.utf8(), "rawread(0x6e, 2)DeviceIoControl() failed.error=30\n");
    EXPECT_TRUE(logged("rawread(0x6e, 2)DeviceIoControl() failed.error=30\n")) << log();
    capture.text.clear();
    EXPECT_EQ(winblk().strategy(state(), 1, 400, 512, out.data(), nullptr), 5);
    EXPECT_EQ(capture.utf8(),
              "read beyond the partition: sector 0x190, 512 bytes; the partition has 0x190 "
              "sectors\n");
}

// The driver's checks of the requests it is given.
TEST_F(WinblkTest, DriverChecksRequests) {
    makeDisk(disk(), 600, {"start=100, size=400, type=a9"});
    ce::HANDLE h =
        ce::CreateFileW(u"DSK1:", ce::GENERIC_READ, 0, nullptr, ce::OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, ce::INVALID_HANDLE_VALUE);
    ce::DISK_INFO info{};
    ASSERT_TRUE(ce::DeviceIoControl(h, ce::DISK_IOCTL_GETINFO, &info, sizeof info, nullptr, 0,
                                    nullptr, nullptr));
    EXPECT_EQ(info.di_total_sectors, 600u);
    EXPECT_EQ(info.di_bytes_per_sect, 512u);
    EXPECT_EQ(info.di_flags, ce::DISK_INFO_FLAG_MBR);
    EXPECT_FALSE(ce::DeviceIoControl(h, ce::DISK_IOCTL_GETINFO, &info, 20, nullptr, 0, nullptr,
                                     nullptr));  // too small a record
    uint8_t sector[512];
    struct Row {
        uint32_t start, count, buffers, length;
        bool withBuffer;
        uint32_t inSize;
        bool ok;
        uint32_t status;
        const char* why;
    } rows[] = {
        {0, 1, 1, 512, true, sizeof(ce::SG_REQ), true, 0, "a good request"},
        {599, 1, 1, 512, true, sizeof(ce::SG_REQ), true, 0, "the last sector"},
        {600, 1, 1, 512, true, sizeof(ce::SG_REQ), true, 27, "past the end: status"},
        {0xFFFFFFFF, 2, 1, 1024, true, sizeof(ce::SG_REQ), true, 27, "start + count wraps"},
        {0, 1, 1, 511, true, sizeof(ce::SG_REQ), false, 0, "buffer shorter than the sectors"},
        {0, 1, 0, 512, true, sizeof(ce::SG_REQ), false, 0, "no buffers"},
        {0, 1, 2, 512, true, sizeof(ce::SG_REQ), false, 0, "more buffers than the record holds"},
        {0, 1, 1, 512, false, sizeof(ce::SG_REQ), false, 0, "null buffer"},
        {0, 1, 1, 512, true, sizeof(ce::SG_REQ) - 4, false, 0, "record cut short"},
    };
    for (const Row& row : rows) {
        ce::SG_REQ request{};
        request.sr_start = row.start;
        request.sr_num_sec = row.count;
        request.sr_num_sg = row.buffers;
        request.sr_status = 0xBAD;
        request.sr_sglist[0].sb_buf = row.withBuffer ? sector : nullptr;
        request.sr_sglist[0].sb_len = row.length;
        bool ok = ce::DeviceIoControl(h, ce::DISK_IOCTL_READ, &request, row.inSize, nullptr, 0,
                                      nullptr, nullptr);
        EXPECT_EQ(ok, row.ok) << row.why;
        if (ok) {
            EXPECT_EQ(request.sr_status, row.status) << row.why;
        }
        if (!ok) {
            EXPECT_EQ(ce::GetLastError(), ce::ERROR_INVALID_PARAMETER) << row.why;
        }
    }
    EXPECT_TRUE(ce::CloseHandle(h));
}

}  // namespace
