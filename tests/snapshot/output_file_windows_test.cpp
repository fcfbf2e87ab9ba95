// The snapshot's output on Windows (or Wine): OUT is whole when it appears and nothing is left
// beside it; a failed write or replacement leaves the old OUT as it was; what cannot be written
// fails at prepare; UTF-8 names are kept; standard output carries the PNG byte for byte, the log
// going to standard error. The program runs itself as a child to own a standard output and to die.
//
// Owns: stand-ins for the two functions of app/process.h the output uses, behaving as that header
// says. May not: write outside the temporary directory it makes.
#include <windows.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/process.h"
#include "image/png_io.h"
#include "snapshot/output_file.h"

namespace fs = std::filesystem;

void handle_if_default(int signal_number, void (*handler)(int), int) {
  void (*previous)(int) = signal(signal_number, handler);
  if (previous != SIG_DFL) signal(signal_number, previous);
}

bool standard_stream_was_closed(int) {
  return false;
}

namespace {

constexpr int kChildFailed = 42;  // not 3, the C runtime's status for a death by signal
constexpr char kLogLine[] = "compiling the shaders";
constexpr char kOld[] = "the picture of the run before";
constexpr int kWidth = 97, kHeight = 61;

RgbImage picture() {
  RgbImage image{kWidth, kHeight, std::vector<uint8_t>(kWidth * kHeight * 3)};
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(i * 7);
  return image;
}

std::string utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::set<fs::path> names_in(const fs::path& directory) {
  std::set<fs::path> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory))
    names.insert(entry.path().filename());
  return names;
}

// As a child: "--signal N OUT" prepares OUT and dies of signal N; "--stdout [SAME OTHER]" writes
// the picture and a log line with standard output taken, SAME having to name it and OTHER not.
int run_as_child(int argc, char** argv) {
  std::string error;
  if (std::strcmp(argv[1], "--signal") == 0) {
    if (prepare_output(argv[3], &error)) raise(std::atoi(argv[2]));
    return kChildFailed;
  }
  if (argc == 4 && (!names_standard_output(argv[2]) || names_standard_output(argv[3])))
    return kChildFailed;
  if (!prepare_standard_output(&error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return kChildFailed;
  }
  std::printf("%s\n", kLogLine);
  std::fflush(stdout);
  return commit_output(picture(), &error) ? 0 : kChildFailed;
}

// This program with `arguments` and the standard output and error given; its exit status.
DWORD run_self(const std::wstring& arguments, HANDLE out, HANDLE err) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" " + arguments;
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = out;
  start.hStdError = err;
  PROCESS_INFORMATION child{};
  DWORD status = ~DWORD{0};
  if (!CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                      &child))
    return status;
  WaitForSingleObject(child.hProcess, INFINITE);
  GetExitCodeProcess(child.hProcess, &status);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
  return status;
}

// Opened as an image viewer would, sharing reading only: Windows neither writes nor replaces it.
HANDLE hold_open(const fs::path& path) {
  return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

HANDLE new_inheritable_file(const fs::path& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_NEW, 0,
                     nullptr);
}

class OutputFileTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_);
    std::ofstream(old_, std::ios::binary) << kOld;
    std::string error;
    ASSERT_TRUE(write_png_rgb(utf8(dir_ / "png").c_str(), picture(), &error, kPngFastest));
    png_ = contents(dir_ / "png");
    fs::remove(dir_ / "png");
  }
  void TearDown() override { fs::remove_all(dir_); }
  // Prepares and commits `image` to `path`: empty, or the first error.
  static std::string write(const fs::path& path, const RgbImage& image) {
    std::string error;
    if (!prepare_output(utf8(path).c_str(), &error)) return "prepare: " + error;
    return commit_output(image, &error) ? "" : "commit: " + error;
  }

  const fs::path dir_ =
      fs::temp_directory_path() / ("swancage-output-" + std::to_string(GetCurrentProcessId()));
  const fs::path old_ = dir_ / "old.png";  // holds kOld when each test begins
  std::string png_;                        // the picture as a PNG file
};

TEST_F(OutputFileTest, NewAndExistingFilesAppearWholeWithNothingBeside) {
  const fs::path fresh = dir_ / L"neu-\u00e4\u00df-\u65e5\u672c.png";  // UTF-8 beyond ASCII
  std::string error;
  ASSERT_TRUE(prepare_output(utf8(fresh).c_str(), &error)) << error;
  EXPECT_FALSE(fs::exists(fresh));
  ASSERT_TRUE(commit_output(picture(), &error)) << error;
  ASSERT_TRUE(prepare_output(utf8(old_).c_str(), &error)) << error;
  EXPECT_EQ(contents(old_), kOld);
  ASSERT_TRUE(commit_output(picture(), &error)) << error;
  EXPECT_TRUE(contents(old_) == png_ && contents(fresh) == png_);
  EXPECT_EQ(names_in(dir_), (std::set<fs::path>{old_.filename(), fresh.filename()}));
}

TEST_F(OutputFileTest, AFailedWriteOrReplacementLeavesTheOldFile) {
  EXPECT_EQ(write(old_, RgbImage{}).rfind("commit: ", 0), 0u);  // libpng refuses an empty image
  std::string error;
  ASSERT_TRUE(prepare_output(utf8(old_).c_str(), &error)) << error;
  const HANDLE viewer = hold_open(old_);  // once the output is prepared
  EXPECT_FALSE(commit_output(picture(), &error));
  CloseHandle(viewer);
  EXPECT_EQ(error.rfind("cannot replace " + utf8(old_) + " for writing: ", 0), 0u) << error;
  EXPECT_EQ(contents(old_), kOld);
  EXPECT_EQ(names_in(dir_), std::set<fs::path>{old_.filename()});
}

TEST_F(OutputFileTest, WhatCannotBeWrittenFailsAtPrepare) {
  const HANDLE viewer = hold_open(old_);
  // Each name with what its message must say beyond the system's words, which vary by language.
  const std::pair<std::string, std::string> refused[] = {{utf8(dir_ / "missing" / "x.png"), ""},
                                                         {utf8(dir_), "directory"},
                                                         {utf8(old_), ""},
                                                         {utf8(dir_) + "\\bad-\xff.png", "UTF-8"}};
  for (const auto& [path, reason] : refused) {
    std::string error;
    EXPECT_FALSE(prepare_output(path.c_str(), &error)) << path;
    EXPECT_EQ(error.rfind("cannot open " + path + " for writing: ", 0), 0u) << error;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
  CloseHandle(viewer);
  EXPECT_EQ(write("NUL", picture()), "");  // a device, written as it is
  EXPECT_EQ(names_in(dir_), std::set<fs::path>{old_.filename()});
  EXPECT_EQ(contents(old_), kOld);
}

TEST_F(OutputFileTest, StandardOutputCarriesThePngAlone) {
  const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
  const HANDLE out_file = new_inheritable_file(out), err_file = new_inheritable_file(err);
  const std::wstring names = L" \"" + out.wstring() + L"\" \"" + err.wstring() + L"\"";
  EXPECT_EQ(run_self(L"--stdout" + names, out_file, err_file), 0u);
  EXPECT_EQ(run_self(L"--stdout", nullptr, err_file), DWORD{kChildFailed});  // none to take
  CloseHandle(out_file);
  CloseHandle(err_file);
  EXPECT_TRUE(contents(out) == png_) << contents(out).size() << " bytes, not " << png_.size();
  EXPECT_EQ(contents(err).find(kLogLine), 0u) << contents(err);
  EXPECT_NE(contents(err).find("standard output is closed: name a file for the picture instead"),
            std::string::npos);
}

TEST_F(OutputFileTest, EndingSignalsTakeTheTemporaryFileAlong) {
  for (int s : {SIGINT, SIGTERM, SIGABRT}) {
    const std::wstring arguments =
        L"--signal " + std::to_wstring(s) + L" \"" + old_.wstring() + L"\"";
    EXPECT_NE(run_self(arguments, nullptr, nullptr), DWORD{kChildFailed});
    EXPECT_EQ(names_in(dir_), std::set<fs::path>{old_.filename()}) << "signal " << s;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--signal") == 0 || std::strcmp(argv[1], "--stdout") == 0))
    return run_as_child(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
