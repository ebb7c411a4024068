// PDF documents, read back with poppler's tools: pages that follow the
// device's page counting, the header image on every page, Courier, the
// size characters, the text line for line as a text device has it; and
// the failures, which leave no document behind.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/slots.h"
#include "output/devices.h"
#include "output/pdf.h"
#include "output/reports.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "tests/data/access_fixture.h"
#include "tests/output/report_text.h"
#include "tests/support/file_text.h"

namespace {

using core::operator""_t;
using datatest::str;
using datatest::txt;
using outputtest::markers;
using outputtest::shown;
namespace fs = std::filesystem;

const std::string kSampleHeader = std::string(TEST_SOURCE_DIR) + "/../examples/tienda/pdf_header.png";
const std::string kSmallHeader = std::string(TEST_SOURCE_DIR) + "/output/pdf_small.png";

// The standard output of a command (the paths it is given hold no blanks).
std::string command_output(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// pdfinfo, pdffonts, pdfimages and pdftotext come together (poppler-utils).
bool have_poppler() { return command_output("command -v pdftotext").find("pdftotext") != std::string::npos; }

// "Pages: n" of pdfinfo.
int page_count(const std::string& pdf) {
  std::istringstream in(command_output("pdfinfo " + pdf));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Pages:", 0) == 0) return std::stoi(line.substr(6));
  }
  return -1;
}

// "page width height" of each image pdfimages lists.
std::string images(const std::string& pdf) {
  std::istringstream in(command_output("pdfimages -list " + pdf));
  std::string line, out;
  std::getline(in, line);
  std::getline(in, line);  // the heading and its rule
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string page, num, type, width, height;
    fields >> page >> num >> type >> width >> height;
    out += page + " " + width + "x" + height + "\n";
  }
  return out;
}

// Lines shown page by page: each page's lines as shown() has them, the
// pages apart by a line "=".
std::string by_page(const std::vector<std::string>& pages) {
  std::string out;
  for (size_t i = 0; i < pages.size(); ++i) out += (i ? "\n=\n" : "") + shown(pages[i]);
  return out;
}

// The text of a document's pages, placed by the 6-point pitch of 10-point
// Courier (pdftotext's own layout re-spaces runs of blanks), without the
// 80-point left margin.
std::string text_of(const std::string& pdf) {
  std::string text = command_output("pdftotext -fixed 6 " + pdf + " -");
  std::vector<std::string> pages(1);
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '\f') {
      pages.emplace_back();
      line.erase(0, 1);
    }
    pages.back() += line.substr(std::min(line.size(), size_t{13})) + "\n";
  }
  if (pages.back().find_first_not_of('\n') == std::string::npos) pages.pop_back();  // after the last \f
  return by_page(pages);
}

// A text device's output cut into its pages.
std::string text_pages(const std::string& bytes, int page_lines) {
  std::vector<std::string> pages;
  std::istringstream in(bytes);
  int n = 0;
  for (std::string line; std::getline(in, line); ++n) {
    if (n % page_lines == 0) pages.emplace_back();
    pages.back() += line + "\n";
  }
  return by_page(pages);
}

// A PDF device on its own: a folder with the sample's header image.
class PdfDevice : public datatest::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    if (!have_poppler()) GTEST_SKIP() << "poppler's tools (pdfinfo, pdftotext ...) are not installed";
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), 0);
    fs::copy_file(kSampleHeader, folder_.path() + "/pdf_header.png");
  }
  std::string path(const std::string& name) const { return folder_.path() + "/" + name; }
  // The names in the folder other than the header image.
  std::string files() const {
    std::string names;
    for (const auto& e : fs::directory_iterator(folder_.path())) {
      std::string n = e.path().filename().string();
      if (n != "pdf_header.png") names += n + " ";
    }
    return names;
  }
  datatest::TempFolder folder_;
};

// Pages of three lines: seven lines make three pages, each with the header
// image in its top left corner; the text is Courier; a size character
// holds for the lines after it.
TEST_F(PdfDevice, PagesFollowTheDevicesCounting) {
  output::DeviceRecord r;
  ASSERT_EQ(output::device_open(txt(path("doc.pdf") + " /LP:3 /WD:30"), &r), 0) << str(core::error_detail());
  EXPECT_EQ(output::device_write(&r, "Uno\r\n  Dos (sangrado)   \r\n"_t), 0);
  EXPECT_EQ(output::device_write(&r, "\x0F"
                                     "chica una\r\nchica dos\x12\r\n"_t),
            0);
  EXPECT_EQ(output::device_write(&r, "Normal\r\nCuatro\r\nSin fin de l\xED"
                                     "nea"_t),
            0);
  EXPECT_EQ(r.page, 3);
  // Nothing bears the name until the document is closed.
  EXPECT_FALSE(fs::exists(path("doc.pdf")));
  EXPECT_EQ(output::device_close(&r), 0) << str(core::error_detail());
  EXPECT_EQ(files(), "doc.pdf ");
  // Without paging the sheet's end turns the page: 73 lines fit on one.
  ASSERT_EQ(output::device_open(txt(path("long.pdf") + " /LP:0"), &r), 0);
  for (int i = 1; i <= 80; ++i) EXPECT_EQ(output::device_write(&r, txt("linea " + std::to_string(i) + "\r\n")), 0);
  EXPECT_EQ(output::device_close(&r), 0);
  EXPECT_EQ(page_count(path("long.pdf")), 2);
  EXPECT_NE(command_output("pdftotext -f 2 " + path("long.pdf") + " -").find("linea 74"), std::string::npos);
  fs::remove(path("long.pdf"));

  std::string pdf = path("doc.pdf");
  EXPECT_EQ(page_count(pdf), 3);
  EXPECT_EQ(images(pdf), "1 360x56\n2 360x56\n3 360x56\n");
  EXPECT_NE(command_output("pdffonts " + pdf).find("Courier"), std::string::npos);
  EXPECT_EQ(text_of(pdf), "Uno\n  Dos (sangrado)\nchica una\n=\nchica dos\nNormal\nCuatro\n=\nSin fin de línea");
  // Word heights: the 6-point lines are smaller than the others.
  std::string boxes = command_output("pdftotext -bbox " + pdf + " -");
  auto height = [&](const std::string& word) {
    size_t at = boxes.find(">" + word + "<");
    size_t line = boxes.rfind("<word", at);
    std::istringstream in(boxes.substr(line, at - line));
    std::string part;
    double y_min = 0, y_max = 0;
    while (in >> part) {
      if (part.rfind("yMin=", 0) == 0) y_min = std::stod(part.substr(6));
      if (part.rfind("yMax=", 0) == 0) y_max = std::stod(part.substr(6));
    }
    return y_max - y_min;
  };
  EXPECT_LT(height("chica"), height("Uno"));
  EXPECT_LT(height("dos"), height("Uno"));
  EXPECT_EQ(height("Normal"), height("Uno"));
}

// What cannot become a document fails with the runtime's code, naming the
// file, and leaves no file behind.
TEST_F(PdfDevice, FailuresLeaveNoDocument) {
  output::DeviceRecord r;
  auto open = [&](const std::string& device) {
    core::error_clear();
    return output::device_open(txt(path(device)), &r);
  };
  auto detail = [] { return str(core::error_detail()); };
  // The header image: missing, not a PNG, 16 bits a sample, interlaced, cut
  // short, damaged.
  std::string png = testsupport::file_text(kSampleHeader);
  fs::remove(path("pdf_header.png"));
  EXPECT_EQ(open("a.pdf"), core::FILENOTFOUND);
  EXPECT_EQ(detail(), "pdf_header.png");
  // (The PDF library's PNG reader ends the process on a damaged file.)
  std::string sixteen = png, interlaced = png, damaged = png;
  sixteen[24] = 16;
  interlaced[28] = 1;
  for (std::string* head : {&sixteen, &interlaced}) {
    uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(head->data() + 12), 17);
    for (int i = 0; i < 4; ++i) (*head)[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  }
  damaged[png.size() / 2] ^= 0x55;
  const std::pair<std::string, std::string> bad[] = {
      {"GIF89a, not a PNG at all", "not a PNG"}, {sixteen, "16 bits"}, {interlaced, "interlaced"},
      {png.substr(0, 60), "cut short"}, {damaged, "checksum"}};
  for (const auto& [bytes, why] : bad) {
    folder_.write("pdf_header.png", bytes);
    EXPECT_EQ(open("a.pdf"), core::FORMATFAILURE) << why;
    EXPECT_NE(detail().find(why), std::string::npos) << detail();
    EXPECT_EQ(output::device_close(&r), 0);
  }
  folder_.write("pdf_header.png", png);
  // A folder that is not there.
  EXPECT_EQ(open("none/a.pdf"), core::OPENERR);
  EXPECT_NE(detail().find("none/a.pdf"), std::string::npos) << detail();
  // Eight documents at once, not nine; discarded, they leave nothing.
  output::DeviceRecord open_ones[output::kPdfSlots];
  for (int i = 0; i < output::kPdfSlots; ++i) {
    ASSERT_EQ(output::device_open(txt(path("d" + std::to_string(i) + ".pdf")), &open_ones[i]), 0);
    EXPECT_EQ(output::device_write(&open_ones[i], "x\r\n"_t), 0);
  }
  EXPECT_EQ(open("nine.pdf"), core::OUTOFMEMORY);
  for (auto& d : open_ones) EXPECT_EQ(output::device_close(&d, true), 0);
  // A disk that is full when the document is saved.
  fs::create_symlink("/dev/full", path("full.pdf"));
  ASSERT_EQ(open("full.pdf"), 0);
  EXPECT_EQ(output::device_write(&r, "x\r\n"_t), 0);
  EXPECT_EQ(output::device_close(&r), core::WRITEERR);
  EXPECT_NE(detail().find("full.pdf"), std::string::npos) << detail();
  fs::remove(path("full.pdf"));
  EXPECT_EQ(files(), "");
}

// Reports to a PDF and to a text file, over the items of the report tests.
class PdfReports : public datatest::AccessTest {
 protected:
  void SetUp() override {
    AccessTest::SetUp();
    if (!have_poppler()) GTEST_SKIP() << "poppler's tools (pdfinfo, pdftotext ...) are not installed";
    procs_ = std::make_unique<script::ProcContext>();
    datatest::install_data_hooks();
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_.path())), 0);
    define_file("items", {{"CODE", 4, 'A'}, {"FAM", 2, 'A'}, {"QTY", 4, 'N'}, {"PRICE", 8, '2'}}, {{1}, {2}}, true);
    sql("INSERT INTO items VALUES ('A1', 'HE', 3, 1.5), ('A2', 'PI', 10, 2), ('A3', 'HE', 1, 10),"
        " ('A4', 'TO', 7, 0.25), ('A5', 'PI', 2, 4);");
    script::var_set_int(core::kSwCurFil, 1);
    fs::copy_file(kSampleHeader, folder_.path() + "/pdf_header.png");
  }
  void TearDown() override {
    procs_.reset();
    AccessTest::TearDown();
  }
  core::Status report(const std::string& device, int index = 2) {
    output::ReportRequest request;
    request.device = folder_.path() + "/" + device;
    request.template_name = "T";
    request.index = index;
    request.progress = "NONE";
    return output::report_run(request);
  }
  std::unique_ptr<script::ProcContext> procs_;
};

// A group break per family on pages of 8 lines: the PDF has the text
// device's lines, page for page, and its pages the device's.
TEST_F(PdfReports, TheTextIsTheTextDevicesLineForLine) {
  folder_.write("T.PDC", markers(
      "01001ITEMS BY FAMILY        Page|##<L>,_DEVPAG\r\n"
      "02001Family|\\\\<L>,F$=FAM{items};F$\r\n"
      "03001  \\\\|####|###0.00<D>CODE{items},QTY{items},PRICE{items} /TOTALBASE%=1:BREAK$='FAM{items}<>F$'\r\n"
      "000011<T>  sum|####<L><L>,_#(2)\r\n"));
  ASSERT_EQ(report("out.txt /LP:8"), 0) << str(core::error_detail());
  ASSERT_EQ(report("out.pdf /LP:8"), 0) << str(core::error_detail());
  std::string text = text_pages(testsupport::file_text(folder_.path() + "/out.txt"), 8);
  std::string pdf = folder_.path() + "/out.pdf";
  EXPECT_EQ(text_of(pdf), text);
  EXPECT_EQ(page_count(pdf), 3);
}


// A report with an image of its own ("pdf_<template>.png") puts it on every
// page; the next report without one has the common image again.
TEST_F(PdfReports, AReportsOwnHeaderImage) {
  folder_.write("T.PDC", markers("01001Item|\\\\<D>CODE{items}\r\n"));
  auto on_every_page = [](const std::string& pdf, const std::string& size) {
    std::string want;
    for (int n = 1; n <= page_count(pdf); ++n) want += std::to_string(n) + " " + size + "\n";
    EXPECT_GE(page_count(pdf), 2);
    EXPECT_EQ(images(pdf), want);
  };
  fs::copy_file(kSmallHeader, folder_.path() + "/pdf_T.png");
  ASSERT_EQ(report("own.pdf /LP:3", 1), 0) << str(core::error_detail());
  on_every_page(folder_.path() + "/own.pdf", "96x24");
  EXPECT_TRUE(core::slot_get(core::kGroupRuntime, core::kRtPdfHeader).empty());
  fs::remove(folder_.path() + "/pdf_T.png");
  ASSERT_EQ(report("common.pdf /LP:3", 1), 0) << str(core::error_detail());
  on_every_page(folder_.path() + "/common.pdf", "360x56");
}

}  // namespace
