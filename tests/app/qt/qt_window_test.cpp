// The Qt window offscreen: start states, a Connect/Download/Disconnect round against the
// simulated device, the LogPane's appends, the keyboard's ways to end the window.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/qt/about_box.h"
#include "app/qt/dialog_template.h"
#include "app/qt/iap_app.h"
#include "app/window/control_ids.h"
#include "qt_harness.h"

using namespace zentho::window;

namespace zentho::qt::test {

namespace {

const std::string kStartLine = "\r\n--- Start to transmit Runtime firmware to Orvane device ---\r\n";

QString Shown(QWidget* widget) {
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  return {};
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace

class QtWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startState();
  void labelsAndFrames();
  void connectDownloadDisconnect();
  void failedJobShowsFailIcon();
  void traceThatIsTheChosenFileIsRefused();
  void logAppendsLandAtEndDespiteSelection();
  void idBoxesTyped();
  void escapeEndsWithoutSaving();
  void enterInEditEndsAsOk();
  void enterOnButtonClicksIt();
  void closeButtonSavesSettings();
  void aboutItemInContextMenu();
  void dialogUnitsFollowFont();
  void browseOffersOneFileTypeByMode();
  void aboutBoxAsInTemplate();
  void startupFailureMessage();
};

void QtWindowTest::startState() {
  QtHarness h;
  h.window->start();
  struct Expected {
    int id;
    bool enabled;
    bool visible;
    QString text;
  };
  const Expected table[] = {
      {kIdcFilePath, true, true, ""},
      {kIdcBrowse, true, true, ""},
      {kIdcDownload, false, true, "Download"},
      {kIdcConnect, true, true, "Connect"},
      {kIdcModeKvm, true, true, "Download KVM system Code"},
      {kIdcModeBootloader, true, true, "Download Bootloader Code"},
      {kIdcModeConfig, true, true, "Download Software Config"},
      {kIdcVendorId, true, true, "4A5D"},
      {kIdcProductId, true, true, "7310"},
      {kIdcElapsedTime, true, true, "00:00:00"},
      {kIdcVendorLabel, true, true, "Vendor ID (Hex)"},
      {kIdcProductLabel, true, true, "Product ID (Hex)"},
      {kIdcPassIcon, true, false, ""},
      {kIdcFailIcon, true, false, ""},
      {kIdcIdleIcon, true, false, ""},
      {kIdcResult, true, true, ""},
      {kIdcLogPane, true, true, ""},
      {kIdcProgress, true, true, ""},
  };
  for (const Expected& e : table) {
    QWidget* widget = h.window->control(e.id);
    QVERIFY2(widget != nullptr, qPrintable(QString::number(e.id)));
    QCOMPARE(widget->isEnabled(), e.enabled);
    QCOMPARE(widget->isVisible(), e.visible);
    QCOMPARE(Shown(widget), e.text);
  }
  QCOMPARE(h.window->windowTitle(), QStringLiteral("ZenthoIAP Ver.1.0.0"));
  QVERIFY(qobject_cast<QRadioButton*>(h.window->control(kIdcModeKvm))->isChecked());
  QVERIFY(!qobject_cast<QRadioButton*>(h.window->control(kIdcModeConfig))->isChecked());
  QVERIFY(qobject_cast<QLineEdit*>(h.window->control(kIdcFilePath))->isReadOnly());
  QCOMPARE(h.window->control(kIdcBrowse)->accessibleName(), QStringLiteral("Load MCPU binary file"));
  QVERIFY(!qobject_cast<QPushButton*>(h.window->control(kIdcBrowse))->icon().isNull());
  QCOMPARE(h.log(), std::string());
  QCOMPARE(qobject_cast<QProgressBar*>(h.window->control(kIdcProgress))->value(), 0);
  // The indicator shows the very image the hidden idle static holds.
  QCOMPARE(qobject_cast<QLabel*>(h.window->control(kIdcResult))->pixmap().cacheKey(),
           qobject_cast<QLabel*>(h.window->control(kIdcIdleIcon))->pixmap().cacheKey());
  QVERIFY(!h.window->windowIcon().isNull());
  QCOMPARE(h.dlg->FilePath, std::string("?????"));
  QCOMPARE(h.window->minimumSize(), h.window->maximumSize());
  // The first enabled tab stop, the file path box, has the focus.
  QCOMPARE(h.window->focusWidget(), h.window->control(kIdcFilePath));
}

void QtWindowTest::labelsAndFrames() {
  QtHarness h;
  QStringList labels;
  QStringList frames;
  for (QObject* child : h.window->children()) {
    if (auto* label = qobject_cast<QLabel*>(child); label && !label->text().isEmpty()) {
      labels << label->text();
    }
    if (auto* frame = qobject_cast<QGroupBox*>(child)) frames << frame->title();
  }
  labels.sort();
  frames.sort();
  QCOMPARE(labels, (QStringList{"00:00:00", "Product ID (Hex)", "Result:", "Status", "Time Cost:",
                                "Vendor ID (Hex)"}));
  QCOMPARE(frames, (QStringList{"", "Zentho Firmware Download Setting"}));
}

void QtWindowTest::connectDownloadDisconnect() {
  QtHarness h;
  const std::string firmware = h.writeFirmware("fw.bin", 3000);
  h.storePath(firmware);
  h.window->start();
  QCOMPARE(Shown(h.window->control(kIdcFilePath)).toStdString(), firmware);

  QTest::mouseClick(h.window->control(kIdcConnect), Qt::LeftButton);
  QCOMPARE(h.log(), std::string("--- Find device ---\r\n\r\n"));
  QCOMPARE(Shown(h.window->control(kIdcConnect)), QStringLiteral("Disconnect"));
  QVERIFY(h.window->control(kIdcDownload)->isEnabled());

  QTest::mouseClick(h.window->control(kIdcDownload), Qt::LeftButton);
  QVERIFY(!h.window->control(kIdcDownload)->isEnabled());
  QVERIFY(!h.window->control(kIdcFilePath)->isEnabled());
  QVERIFY(!h.window->control(kIdcBrowse)->isEnabled());
  h.waitForJobEnd();
  QCOMPARE(h.log(), kStartLine +
                        "\r\nRuntime file is loaded. File size: 3000 bytes.\r\n"
                        "Start Runtime Transferring...\r\n"
                        "Chip Revision : 1\r\n"
                        "--- Runtime firmware is transmitted successfully ---\r\n\r\n");
  QCOMPARE(qobject_cast<QLabel*>(h.window->control(kIdcResult))->pixmap().cacheKey(),
           qobject_cast<QLabel*>(h.window->control(kIdcPassIcon))->pixmap().cacheKey());
  auto* bar = qobject_cast<QProgressBar*>(h.window->control(kIdcProgress));
  QCOMPARE(bar->value(), bar->maximum());
  QCOMPARE(bar->maximum(), 3000);
  QCOMPARE(h.tones.played(), (std::vector<std::pair<unsigned, unsigned>>{{4000, 100}, {6000, 100}}));
  QVERIFY(!h.window->control(kIdcDownload)->isEnabled());
  QVERIFY(h.window->control(kIdcFilePath)->isEnabled());
  QVERIFY(h.window->control(kIdcBrowse)->isEnabled());
  QVERIFY(h.window->control(kIdcConnect)->isEnabled());
  const auto image = h.device->image(ImageType::KvmSystem);
  QVERIFY(image && image->complete);
  QCOMPARE(std::string(image->bytes.begin(), image->bytes.end()), FirmwareBytes(3000));

  QTest::mouseClick(h.window->control(kIdcConnect), Qt::LeftButton);
  QCOMPARE(h.log(), std::string("--- Disconnect device ---\r\n\r\n"));
  QCOMPARE(Shown(h.window->control(kIdcConnect)), QStringLiteral("Connect"));
  QVERIFY(!h.window->control(kIdcDownload)->isEnabled());
}

void QtWindowTest::failedJobShowsFailIcon() {
  QtHarness h;
  h.window->start();  // no setup.dat: the path is "?????"
  QTest::mouseClick(h.window->control(kIdcConnect), Qt::LeftButton);
  QTest::mouseClick(h.window->control(kIdcDownload), Qt::LeftButton);
  h.waitForJobEnd();
  QCOMPARE(h.log(), kStartLine + "ERROR: Cannot open this Runtime binary file!!\r\n\r\nBurn fail\r\n");
  QCOMPARE(qobject_cast<QLabel*>(h.window->control(kIdcResult))->pixmap().cacheKey(),
           qobject_cast<QLabel*>(h.window->control(kIdcFailIcon))->pixmap().cacheKey());
  QCOMPARE(h.tones.played(), (std::vector<std::pair<unsigned, unsigned>>{{3500, 500}}));
}

// ZenthoIAP --trace LINK, where LINK leads to the firmware chosen in the window: the
// press of Download refuses, and neither the firmware nor the device is touched.
void QtWindowTest::traceThatIsTheChosenFileIsRefused() {
  QTemporaryDir elsewhere;
  const std::string link = QDir(elsewhere.path()).filePath(QStringLiteral("run.trace")).toStdString();
  QtHarness h(link);
  const std::string firmware = h.writeFirmware("fw.bin", 3000);
  QVERIFY(QFile::link(QString::fromStdString(firmware), QString::fromStdString(link)));
  h.storePath(firmware);
  h.window->start();
  QTest::mouseClick(h.window->control(kIdcConnect), Qt::LeftButton);
  QTest::mouseClick(h.window->control(kIdcDownload), Qt::LeftButton);
  h.waitForJobEnd();
  QCOMPARE(h.log(), "\r\nNot downloading: refusing to write --trace " + link +
                        ": it is the same file as the chosen file " + firmware + "\r\n\r\nBurn fail\r\n");
  QCOMPARE(qobject_cast<QLabel*>(h.window->control(kIdcResult))->pixmap().cacheKey(),
           qobject_cast<QLabel*>(h.window->control(kIdcFailIcon))->pixmap().cacheKey());
  std::ifstream in(firmware, std::ios::binary);
  QCOMPARE(std::string(std::istreambuf_iterator<char>(in), {}), FirmwareBytes(3000));
  QVERIFY(!h.device->image(ImageType::KvmSystem));
}

void QtWindowTest::logAppendsLandAtEndDespiteSelection() {
  QtHarness h;
  h.window->start();
  LogPane& pane = h.window->logPane();
  h.window->view().appendLog("first line\r\n");
  h.window->view().appendLog("second ");
  h.window->view().appendLog("line\r\n");
  // The operator selects the start of the text, then more lines come.
  QTextCursor selection = pane.textCursor();
  selection.setPosition(0);
  selection.setPosition(5, QTextCursor::KeepAnchor);
  pane.setTextCursor(selection);
  h.window->view().appendLog("third\r\n");
  QCOMPARE(pane.text(), std::string("first line\r\nsecond line\r\nthird\r\n"));
  QCOMPARE(pane.toPlainText(), QStringLiteral("first line\nsecond line\nthird\n"));
  QCOMPARE(pane.textCursor().selectedText(), QStringLiteral("first"));
  h.window->view().clearLog();
  QCOMPARE(pane.text(), std::string());
  QCOMPARE(pane.toPlainText(), QString());
}

void QtWindowTest::idBoxesTyped() {
  QtHarness h;
  h.window->start();
  auto* vendor = qobject_cast<QLineEdit*>(h.window->control(kIdcVendorId));
  vendor->selectAll();
  QTest::keyClicks(vendor, "4a5e");
  QCOMPARE(h.dlg->TargetVendorId, 0x4A5EU);
  QTest::mouseClick(h.window->control(kIdcConnect), Qt::LeftButton);
  QCOMPARE(h.log(), std::string("Enum device over\r\n--- Device not found ---\r\n\r\n"));
}

void QtWindowTest::escapeEndsWithoutSaving() {
  QtHarness h;
  h.window->start();
  QTest::keyClick(h.window->control(kIdcConnect), Qt::Key_Escape);
  QVERIFY(!h.window->isVisible());
  QCOMPARE(h.window->result(), int(QDialog::Rejected));
  QCOMPARE(ReadFile(h.settingsFile()), std::nullopt);
}

void QtWindowTest::enterInEditEndsAsOk() {
  QtHarness h;
  h.window->start();
  qobject_cast<QRadioButton*>(h.window->control(kIdcModeConfig))->setChecked(true);
  QTest::keyClick(h.window->control(kIdcVendorId), Qt::Key_Return);
  QVERIFY(!h.window->isVisible());
  QCOMPARE(h.window->result(), int(QDialog::Accepted));
  QCOMPARE(h.dlg->DownloadMode, 2);
  QCOMPARE(ReadFile(h.settingsFile()), std::nullopt);
}

void QtWindowTest::enterOnButtonClicksIt() {
  QtHarness h;
  h.window->start();
  h.window->control(kIdcConnect)->setFocus();
  QTest::keyClick(h.window->control(kIdcConnect), Qt::Key_Return);
  QVERIFY(h.window->isVisible());
  QCOMPARE(h.log(), std::string("--- Find device ---\r\n\r\n"));
}

void QtWindowTest::closeButtonSavesSettings() {
  QtHarness h;
  h.window->start();
  QTest::mouseClick(h.window->control(kIdcConnect), Qt::LeftButton);
  std::shared_ptr<device::DeviceLink> link = h.dlg->DeviceHandle;
  QVERIFY(h.window->close() || !h.window->isVisible());
  QVERIFY(!h.window->isVisible());
  QCOMPARE(ReadFile(h.settingsFile()), std::optional<std::string>("?????\r\n"));
  QVERIFY(link->released());
  QCOMPARE(h.trace.lines(), std::vector<std::string>{"-->OnClose\n"});
}

void QtWindowTest::aboutItemInContextMenu() {
  QtHarness h;
  h.window->start();
  QStringList items;
  for (QAction* action : h.window->contextMenu().actions()) {
    items << (action->isSeparator() ? QStringLiteral("-") : action->text());
  }
  QCOMPARE(items, (QStringList{"Mi&nimize", "&Close", "-", "&About ZenthoIAP..."}));
}

void QtWindowTest::dialogUnitsFollowFont() {
  // Average width 6 px and height 13 px: 4 horizontal and 8 vertical units a character.
  const DialogUnits units(6, 13);
  QCOMPARE(units.rect(285, 20, 301, 200), QRect(428, 33, 452, 325));
  QCOMPARE(units.x(595), 893);
  QCOMPARE(units.y(271), 440);
  QtHarness h;
  const QFontMetrics metrics(h.window->font());
  const DialogUnits fromFont(metrics);
  QCOMPARE(h.window->width(), fromFont.x(595));
  QCOMPARE(h.window->control(kIdcLogPane)->geometry(), fromFont.rect(285, 20, 301, 200));
}

void QtWindowTest::browseOffersOneFileTypeByMode() {
  QtHarness h;
  const std::string firmware = h.writeFirmware("chosen.bin", 10);
  h.window->start();
  struct Seen {
    QStringList filters;
    QString suffix;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode accept = QFileDialog::AcceptSave;
  };
  // Answers the dialog that the next browse press opens: cancel, or choose `file`.
  const auto answer = [](Seen& seen, const QString& file) {
    QTimer::singleShot(0, [&seen, file] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      seen = {dialog->nameFilters(), dialog->defaultSuffix(), dialog->fileMode(),
              dialog->acceptMode()};
      if (file.isEmpty()) {
        dialog->reject();
      } else {
        dialog->selectFile(file);
        static_cast<QDialog*>(dialog)->accept();
      }
    });
  };
  Seen config;
  qobject_cast<QRadioButton*>(h.window->control(kIdcModeConfig))->setChecked(true);
  answer(config, {});
  QTest::mouseClick(h.window->control(kIdcBrowse), Qt::LeftButton);
  QCOMPARE(config.filters, QStringList{"Text files(*.txt)"});
  QCOMPARE(config.suffix, QStringLiteral("txt"));
  QCOMPARE(config.mode, QFileDialog::ExistingFile);
  QCOMPARE(config.accept, QFileDialog::AcceptOpen);
  QCOMPARE(h.dlg->FilePath, std::string("?????"));

  Seen binary;
  qobject_cast<QRadioButton*>(h.window->control(kIdcModeBootloader))->setChecked(true);
  answer(binary, QString::fromStdString(firmware));
  QTest::mouseClick(h.window->control(kIdcBrowse), Qt::LeftButton);
  QCOMPARE(binary.filters, QStringList{"Binary files(*.bin)"});
  QCOMPARE(binary.suffix, QStringLiteral("bin"));
  QCOMPARE(h.dlg->FilePath, firmware);
  QCOMPARE(Shown(h.window->control(kIdcFilePath)).toStdString(), firmware);
}

void QtWindowTest::aboutBoxAsInTemplate() {
  QtHarness h;
  CAboutDlg about(h.window.get());
  QCOMPARE(about.windowTitle(), QStringLiteral("About ZenthoIAP"));
  QStringList texts;
  QLabel* icon = nullptr;
  for (QObject* child : about.children()) {
    if (auto* label = qobject_cast<QLabel*>(child)) {
      if (label->pixmap().isNull()) {
        texts << label->text();
        QCOMPARE(label->textFormat(), Qt::PlainText);
      } else {
        icon = label;
      }
    }
  }
  QCOMPARE(texts, QStringList{"ZenthoIAP Flash Programming MFC Application Version 1.0.0"});
  QVERIFY(icon != nullptr);
  auto* ok = about.findChild<QPushButton*>();
  QVERIFY(ok != nullptr);
  QCOMPARE(ok->text(), QStringLiteral("OK"));
  QVERIFY(ok->isDefault());
  QCOMPARE(about.minimumSize(), about.maximumSize());
}

void QtWindowTest::startupFailureMessage() {
  QCOMPARE(ApplicationName({QStringLiteral("/usr/local/bin/ZenthoIAP")}), QStringLiteral("ZenthoIAP"));
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  bool hadParent = true;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box != nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    hadParent = box->parentWidget() != nullptr;
    box->accept();
  });
  ShowStartupFailure(QStringLiteral("ZenthoIAP"));
  QCOMPARE(title, QStringLiteral("ZenthoIAP"));
  QCOMPARE(text, QStringLiteral("Windows initialization failed."));
  QCOMPARE(icon, QMessageBox::Warning);
  QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QVERIFY(!hadParent);
}

}  // namespace zentho::qt::test

QTEST_MAIN(zentho::qt::test::QtWindowTest)
#include "qt_window_test.moc"
