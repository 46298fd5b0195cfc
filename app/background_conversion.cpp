#include "app/background_conversion.h"

#include <QEventLoop>

#include <system_error>
#include <thread>

#include "base/cancellation_flag.h"

BackgroundConversion::BackgroundConversion(ShowProgress showProgress) : m_showProgress(std::move(showProgress)) {}

ConversionProgress BackgroundConversion::Reporter() {
  return [this](const ConversionProgressReport& report) { Report(report.partsWritten, report.partsFound); };
}

// One call waits on the window's thread at a time; the counts it reads are
// the latest, whichever report posted it.
void BackgroundConversion::Report(std::size_t written, std::size_t found) {
  m_found.store(found);
  m_written.store(written);
  if (m_reportPending.exchange(true)) return;
  QMetaObject::invokeMethod(
      &m_receiver,
      [this] {
        m_reportPending.store(false);
        m_showProgress(m_written.load(), m_found.load());
      },
      Qt::QueuedConnection);
}

ConversionResult BackgroundConversion::Run(const std::function<ConversionResult()>& convert,
                                           CancellationFlag& cancellation) {
  QEventLoop loop;
  ConversionResult result;
  std::atomic<bool> ended{false};
  std::thread worker;
  try {
    worker = std::thread([&] {
      result = convert();
      ended.store(true);
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
  } catch (const std::system_error&) {
    // No thread to be had: the conversion runs here, and the window waits.
    return convert();
  }
  loop.exec();
  if (!ended.load()) cancellation.Cancel();
  worker.join();
  return result;
}
