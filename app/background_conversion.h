#pragma once

#include <QObject>

#include <atomic>
#include <cstddef>
#include <functional>

#include "engine/conversion_progress.h"
#include "options/conversion_run.h"

class CancellationFlag;

// A conversion on a thread of its own, waited for in a local event loop, so
// that the window repaints and answers while it runs. The engine objects the
// conversion uses belong to that thread until Run returns: the window must
// not touch them meanwhile. Made and run on the window's thread.
class BackgroundConversion {
 public:
  using ShowProgress = std::function<void(std::size_t partsWritten, std::size_t partsFound)>;

  // `showProgress` is called on the window's thread, with the latest counts
  // only when the conversion reports faster than the window takes them.
  explicit BackgroundConversion(ShowProgress showProgress);
  BackgroundConversion(const BackgroundConversion&) = delete;
  BackgroundConversion& operator=(const BackgroundConversion&) = delete;

  // The progress callback to put in the conversion's request.
  ConversionProgress Reporter();

  // Runs `convert`, which must not throw, and gives its result once it has
  // ended. Should the event loop be told to end first (the application
  // quitting), `cancellation` is set and the conversion still waited for.
  ConversionResult Run(const std::function<ConversionResult()>& convert, CancellationFlag& cancellation);

 private:
  void Report(std::size_t written, std::size_t found);  // on the converting thread

  ShowProgress m_showProgress;
  QObject m_receiver;  // calls posted to it run on the window's thread, and go with it
  std::atomic<std::size_t> m_written{0};
  std::atomic<std::size_t> m_found{0};
  std::atomic<bool> m_reportPending{false};
};
