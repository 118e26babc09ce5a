// Ending the Qt window while a download runs: the close button asks first (No by
// default); Yes stops the session and the window ends only once the worker has ended,
// then the link goes and setup.dat is written. No, Escape and Enter leave the download
// running to its verdict. Run under ThreadSanitizer too.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/window/control_ids.h"
#include "qt_harness.h"

using namespace zentho::window;

namespace zentho::qt::test {

class QtCloseDuringJobTest : public QObject {
  Q_OBJECT

 private slots:
  void closeAnsweredYesEndsAfterWorker();
  void downloadCarriesOn_data();
  void downloadCarriesOn();
};

enum Way { CloseAnsweredNo, Escape, Enter };

// Answers the stop question once it shows, and keeps what it asked.
struct Answerer {
  void answerSoon(bool yes) {
    QTimer::singleShot(0, [this, yes] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      question = box->text().toStdString();
      defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
      if (yes) {
        box->button(QMessageBox::Yes)->click();
      } else {
        QTest::keyClick(box, Qt::Key_Return);  // the default answers
      }
    });
  }
  std::string question;
  bool defaultIsNo = false;
};

std::string StoredSettings(const QtHarness& h) {
  std::ifstream settings(h.settingsFile(), std::ios::binary);
  std::ostringstream bytes;
  bytes << settings.rdbuf();
  return bytes.str();
}

void QtCloseDuringJobTest::closeAnsweredYesEndsAfterWorker() {
  QtHarness h;
  h.storePath(h.writeFirmware("fw.bin", 16 * 1024));
  h.window->start();
  QTest::mouseClick(h.window->control(kIdcConnect), Qt::LeftButton);
  std::shared_ptr<device::DeviceLink> link = h.dlg->DeviceHandle;

  // At the eighth report exchange the worker waits while the GUI thread is asked to close.
  int exchanges = 0;
  bool visibleAfterRequest = false;
  Answerer answerer;
  IapWindow* window = h.window.get();
  h.bus.onExchange([&](const std::string&) {
    if (++exchanges != 8) return;
    h.windowThread.invoke([&] {
      answerer.answerSoon(true);
      window->close();
      visibleAfterRequest = window->isVisible();
    });
  });
  QTest::mouseClick(h.window->control(kIdcDownload), Qt::LeftButton);
  h.waitForJobEnd();

  QCOMPARE(answerer.question, std::string("A download is running. Stop it and close?"));
  QVERIFY(answerer.defaultIsNo);
  QVERIFY(visibleAfterRequest);
  QVERIFY(!h.window->isVisible());
  QCOMPARE(h.window->result(), int(QDialog::Rejected));
  QCOMPARE(exchanges, 8);
  QVERIFY(link->released());
  QVERIFY(link->closed());
  QCOMPARE(h.dlg->DeviceHandle, nullptr);
  QVERIFY(h.log().find("Burn fail") == std::string::npos);
  QVERIFY(h.tones.played().empty());
  const auto image = h.device->image(ImageType::KvmSystem);
  QVERIFY(image && !image->complete);
  QCOMPARE(StoredSettings(h), h.dlg->FilePath + "\r\n");
  const std::vector<std::string> trace = h.trace.lines();
  QCOMPARE(std::count(trace.begin(), trace.end(), "-->OnClose\n"), 1);
}

void QtCloseDuringJobTest::downloadCarriesOn_data() {
  QTest::addColumn<int>("way");
  QTest::newRow("close answered no") << int(CloseAnsweredNo);
  QTest::newRow("escape") << int(Escape);
  QTest::newRow("enter") << int(Enter);
}

void QtCloseDuringJobTest::downloadCarriesOn() {
  QFETCH(int, way);
  QtHarness h;
  h.storePath(h.writeFirmware("fw.bin", 16 * 1024));
  h.window->start();
  QTest::mouseClick(h.window->control(kIdcConnect), Qt::LeftButton);

  int exchanges = 0;
  Answerer answerer;
  IapWindow* window = h.window.get();
  h.bus.onExchange([&](const std::string&) {
    if (++exchanges != 8) return;
    h.windowThread.invoke([&] {
      if (way == CloseAnsweredNo) {
        answerer.answerSoon(false);
        window->close();
      }
      if (way == Escape) QTest::keyClick(window->control(kIdcConnect), Qt::Key_Escape);
      if (way == Enter) QTest::keyClick(window->control(kIdcVendorId), Qt::Key_Return);
    });
  });
  QTest::mouseClick(h.window->control(kIdcDownload), Qt::LeftButton);
  h.waitForJobEnd();

  QVERIFY(h.window->isVisible());
  QCOMPARE(answerer.question,
           std::string(way == CloseAnsweredNo ? "A download is running. Stop it and close?" : ""));
  QVERIFY(h.log().ends_with("--- Runtime firmware is transmitted successfully ---\r\n\r\n"));
  const auto image = h.device->image(ImageType::KvmSystem);
  QVERIFY(image && image->complete);
  QVERIFY(!h.dlg->DeviceHandle->released());
  QCOMPARE(h.tones.played().size(), std::size_t{2});
}

}  // namespace zentho::qt::test

QTEST_MAIN(zentho::qt::test::QtCloseDuringJobTest)
#include "qt_close_during_job_test.moc"
