// "atalaya-cli frame convert", run in-process on files in a temporary folder.
#include "cli/frame_command.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <csetjmp>
#include <cstdio>

// jpeglib.h expects FILE and size_t declared before it.
#include <jpeglib.h>

#include "core/image/frame_image.h"
#include "support/cli_run.h"

namespace atalaya {
namespace {

class FrameCommandTest : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }

  // Runs the command, keeping what it wrote on standard error.
  int Run(std::vector<std::string> arguments) {
    testing::internal::CaptureStderr();
    const int status = RunFrameCommand(arguments, texts_, settings_);
    err_ = testing::internal::GetCapturedStderr();
    return status;
  }

  QTemporaryDir dir_;
  TextTable texts_;
  Settings settings_;
  std::string err_;
};

struct BitmapInfo {
  int width = 0;
  int height = 0;
  bool all_pixels_equal = false;
  uint8_t blue = 0, green = 0, red = 0;
};

// Just enough of a bitmap reader for the sizes this command writes (rows need no padding).
BitmapInfo ReadBitmapInfo(const QByteArray& bytes) {
  BitmapInfo info;
  if (bytes.size() < 54 || !bytes.startsWith("BM")) return info;
  const auto u32 = [&](int at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
  };
  info.width = static_cast<int>(u32(18));
  info.height = static_cast<int>(u32(22));
  const int start = static_cast<int>(u32(10));
  if (bytes.size() != start + info.width * info.height * 3) return info;
  info.blue = static_cast<uint8_t>(bytes[start]);
  info.green = static_cast<uint8_t>(bytes[start + 1]);
  info.red = static_cast<uint8_t>(bytes[start + 2]);
  info.all_pixels_equal = true;
  for (int i = start; i < bytes.size(); i += 3) {
    if (bytes[i] != bytes[start] || bytes[i + 1] != bytes[start + 1] ||
        bytes[i + 2] != bytes[start + 2]) {
      info.all_pixels_equal = false;
    }
  }
  return info;
}

struct JpegHeader {
  int width = 0;
  int height = 0;
  unsigned first_luma_quantizer = 0;
};

struct Trap {
  jpeg_error_mgr manager;
  std::jmp_buf resume;
};

bool ReadJpegHeader(const QByteArray& bytes, JpegHeader& header) {
  jpeg_decompress_struct info;
  Trap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = [](j_common_ptr i) {
    std::longjmp(reinterpret_cast<Trap*>(i->err)->resume, 1);
  };
  if (setjmp(trap.resume) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  header.width = static_cast<int>(info.image_width);
  header.height = static_cast<int>(info.image_height);
  header.first_luma_quantizer = info.quant_tbl_ptrs[0]->quantval[0];
  jpeg_destroy_decompress(&info);
  return true;
}

TEST_F(FrameCommandTest, WritesTheShownPictureInTheSizeOfTheChosenFormat) {
  // An empty capture and one of zeros both read as all-zero samples: every pixel is blue 0,
  // green 135, red 0, in any format.
  WriteBytes(QString::fromStdString(Path("empty.bin")), QByteArray());
  WriteBytes(QString::fromStdString(Path("zeros.bin")), QByteArray(640000, '\0'));
  struct Case {
    std::vector<std::string> options;
    const char* capture;
    int width;
  };
  const Case cases[] = {
      {{"--format", "original", "--size", "528x576"}, "empty.bin", 528},
      {{"--size", "544 x 576", "--format", "original"}, "zeros.bin", 544},
      {{"--format", "16:9"}, "empty.bin", 1024},
      {{"--format", "4:3", "--size", "352x576"}, "zeros.bin", 720},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"convert", Path(c.capture), Path("out.bmp")};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    ASSERT_EQ(Run(arguments), 0) << err_;
    EXPECT_EQ(err_, "");
    const BitmapInfo bitmap = ReadBitmapInfo(ReadBytes(QString::fromStdString(Path("out.bmp"))));
    EXPECT_EQ(bitmap.width, c.width);
    EXPECT_EQ(bitmap.height, 576);
    EXPECT_TRUE(bitmap.all_pixels_equal);
    EXPECT_EQ(bitmap.blue, 0);
    EXPECT_EQ(bitmap.green, 135);
    EXPECT_EQ(bitmap.red, 0);
  }
}

TEST_F(FrameCommandTest, TakesWhatIsNotGivenFromTheSettings) {
  WriteBytes(QString::fromStdString(Path("capture.bin")), QByteArray(0x98000, '\x50'));
  settings_.capture_size = 3;
  ApplyCaptureSize(settings_);  // 704 x 576
  settings_.formato_4_3 = false;
  settings_.formato_original = true;
  settings_.SetValue(Bar::kCalidadJPEG, 50);

  struct Case {
    std::vector<std::string> options;
    int width;
    unsigned first_quantizer;  // 16 at quality 50, 8 at 75
  };
  const Case cases[] = {
      {{}, 704, 16},
      {{"--quality", "75"}, 704, 8},
      {{"--format", "16:9"}, 1024, 16},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"convert", Path("capture.bin"), Path("out.JPG")};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    ASSERT_EQ(Run(arguments), 0) << err_;
    JpegHeader header;
    ASSERT_TRUE(ReadJpegHeader(ReadBytes(QString::fromStdString(Path("out.JPG"))), header));
    EXPECT_EQ(header.width, c.width);
    EXPECT_EQ(header.height, 576);
    EXPECT_EQ(header.first_luma_quantizer, c.first_quantizer);
  }
}

TEST_F(FrameCommandTest, RefusesACommandLineItDoesNotTake) {
  WriteBytes(QString::fromStdString(Path("capture.bin")), QByteArray(100, '\0'));
  const std::string capture = Path("capture.bin");
  const std::string out = Path("out.jpg");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"show", capture, out},
      {"convert"},
      {"convert", capture},
      {"convert", capture, out, "extra"},
      {"convert", capture, Path("out.png")},
      {"convert", capture, Path("out")},
      {"convert", capture, out, "--size"},
      {"convert", capture, out, "--size", "800x600"},
      {"convert", capture, out, "--size", "720x"},
      {"convert", capture, out, "--format", "5:4"},
      {"convert", capture, out, "--quality", "0"},
      {"convert", capture, out, "--quality", "101"},
      {"convert", capture, out, "--quality", "9x"},
      {"convert", capture, out, "--colour", "red"},
  };
  for (const std::vector<std::string>& arguments : cases) {
    EXPECT_EQ(Run(arguments), 2) << testing::PrintToString(arguments);
    EXPECT_TRUE(err_.starts_with("atalaya-cli frame: ")) << err_;
    EXPECT_NE(err_.find("uso:"), std::string::npos);
  }
  EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
}

TEST_F(FrameCommandTest, ReportsFilesItCannotReadOrWrite) {
  WriteBytes(QString::fromStdString(Path("capture.bin")), QByteArray(100, '\0'));
  EXPECT_EQ(Run({"convert", Path("missing.bin"), Path("out.bmp")}), 1);
  EXPECT_NE(err_.find("No se ha podido leer el archivo : " + Path("missing.bin")),
            std::string::npos)
      << err_;
  EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("out.bmp"))));

  EXPECT_EQ(Run({"convert", Path("capture.bin"), Path("no/such/folder/out.bmp")}), 1);
  EXPECT_NE(err_.find("No se ha podido guardar el archivo : " + Path("no/such/folder/out.bmp")),
            std::string::npos)
      << err_;
}

}  // namespace
}  // namespace atalaya
