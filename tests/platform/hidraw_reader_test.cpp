// The input side of the hidraw transport, on a named pipe standing in for the device
// node (one write is one report): reads wait without a time-out until a report comes,
// a wake or a close ends them from another thread, and a wake that comes first is
// kept for the next read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <string>
#include <thread>

#include "platform/hidraw_reader.h"

namespace {

using namespace std::chrono_literals;

class HidrawReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = testing::TempDir() + "hidraw_reader_" + std::to_string(::getpid());
    ::unlink(path_.c_str());
    ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
  }
  void TearDown() override { ::unlink(path_.c_str()); }

  void Emit(const std::string& report) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, report.data(), report.size()), static_cast<ssize_t>(report.size()));
    ::close(fd);
  }

  // A read on its own thread, blocked for as long as it takes.
  std::future<int> ReadInBackground(hid::HidrawReader& reader, std::uint8_t* data) {
    return std::async(std::launch::async, [&reader, data] { return reader.Read(data, 8, -1); });
  }

  std::string path_;
};

TEST_F(HidrawReaderTest, ReadWaitsForAReportOrAWakeAndAWakeIsKeptForTheNextRead) {
  hid::HidrawReader reader(path_);
  ASSERT_TRUE(reader.Valid());
  std::uint8_t data[8] = {};

  auto read = ReadInBackground(reader, data);
  EXPECT_EQ(read.wait_for(50ms), std::future_status::timeout);  // nothing yet: still waiting
  Emit("\x06\xF2\x80");
  ASSERT_EQ(read.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(read.get(), 3);
  EXPECT_EQ(data[0], 6);
  EXPECT_EQ(data[1], 0xF2);

  read = ReadInBackground(reader, data);
  EXPECT_EQ(read.wait_for(50ms), std::future_status::timeout);
  reader.Wake();
  ASSERT_EQ(read.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(read.get(), 0);

  reader.Wake();  // before the read: that read ends at once, the one after waits again
  EXPECT_EQ(reader.Read(data, 8, -1), 0);
  EXPECT_EQ(reader.Read(data, 8, 20), 0);  // a time-out still ends a read
  Emit("\x06\x01");
  EXPECT_EQ(reader.Read(data, 8, 1000), 2);
}

TEST_F(HidrawReaderTest, CloseEndsAWaitingReadAndEverythingAfter) {
  hid::HidrawReader reader(path_);
  ASSERT_TRUE(reader.Valid());
  std::uint8_t data[8] = {};
  auto read = ReadInBackground(reader, data);
  EXPECT_EQ(read.wait_for(50ms), std::future_status::timeout);
  reader.Close();
  ASSERT_EQ(read.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(read.get(), -1);
  EXPECT_EQ(reader.Read(data, 8, -1), -1);
  EXPECT_FALSE(reader.SetFeature(data, 8));
  reader.Close();

  hid::HidrawReader missing(path_ + "-missing");
  EXPECT_FALSE(missing.Valid());
  EXPECT_EQ(missing.Read(data, 8, -1), -1);
}

}  // namespace
