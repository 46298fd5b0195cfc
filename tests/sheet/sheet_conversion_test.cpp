#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "archive/mime_archive.h"
#include "engine/converter.h"
#include "log/convert_log.h"
#include "options/conversion_run.h"
#include "sheet_test_support.h"

using namespace sheet_test;

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

// What the sheet stores is what the next conversion uses, as Create Archive
// hands the options over before every run.
class SheetConversionTest : public QObject {
  Q_OBJECT

 private:
  RecordingServices services;
  QTemporaryDir folder;
  std::filesystem::path root;
  CConverter converter;
  CMimeArchive archive{47};
  CConvertLog logSettings;

  bool ConvertHasPart(const std::filesystem::path& file) {
    const std::filesystem::path output = root / "page.mht";
    const ConversionResult result =
        RunConversion(ConvertOptions::Instance(), {.inputPath = root / "page.html", .outputPath = output}, converter,
                      archive, logSettings);
    return result.Converted() &&
           ReadFile(output).find("Content-Location: file://" + file.string() + "\r\n") != std::string::npos;
  }

 private slots:
  void init() {
    services = RecordingServices();
    ConvertOptions::Instance().ResetToDefaults();
    ConvertOptions::Instance().SetServices(&services);
    QVERIFY(folder.isValid());
    root = std::filesystem::canonical(folder.path().toStdString());
    WriteFile(root / "page.html",
              "<html><head><title>t</title></head><body><a href=\"notes.txt\">notes</a></body></html>");
    WriteFile(root / "notes.txt", "plain notes\n");
  }

  void customTagAndLogFileReachTheNextConversion() {
    const std::filesystem::path notes = root / "notes.txt";
    const std::filesystem::path logFile = root / "conversion log.txt";
    QVERIFY(!ConvertHasPart(notes));
    QVERIFY(!std::filesystem::exists(logFile));

    {
      CMySheet sheet(services);
      std::vector<EditorSeen> seen;
      AnswerEditor(services, seen, "a", "href");
      Button(sheet, kResources, "add")->click();
      QWidget* logPage = Page(sheet, kLogging);
      Control<QCheckBox>(logPage, "enable")->click();
      services.chosenFiles = {logFile.string()};
      Control<QPushButton>(logPage, "browse")->click();
      Control<QComboBox>(logPage, "level")->setCurrentIndex(0);
      sheet.accept();
    }

    QVERIFY(ConvertHasPart(notes));
    const std::string log = ReadFile(logFile);
    QVERIFY2(log.find("[INFO]\t\tAdd resource tag: <a href>\r\n") != std::string::npos, log.c_str());
    QVERIFY2(log.find("Add resource body part: " + notes.string()) != std::string::npos, log.c_str());
  }
};

QTEST_MAIN(SheetConversionTest)
#include "sheet_conversion_test.moc"
