// The import context: everything one import reads and sets besides its file's contents.
//
// The import run makes one for each import and hands it to the importer's Load: the file
// to read (file number 1 once opened), the line reader with its ReadMode and CharsRead,
// the user's stop request StopImport, the dialog's options as the user set them, the name
// the objects take from the file, and the dialog's progress bar and yield. Nothing of it
// outlives the import, so one import cannot leave state behind for the next.
//
// Read_Line returns views into the file's buffer, valid until the next Read_Line call or
// other read of the file; tokenisers (modImport.h) cut views off views, so reading costs
// no allocation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fileio/FileTable.h"
#include "ui/ImportDialog.h"

namespace vlm {

// The dialog's option boxes, read when the import starts.
struct ImportOptions {
  bool ImportNormals = true;  // chkNorm: "Import Normals"
  bool SmoothAll = true;      // chkSmooth: "Smooth all Normal Group"
  bool AutoSmooth = true;     // chkAutoSmooth: "Auto Normals Smoothing"
};

class ImportContext {
 public:
  // The import of `fileName`, shown on `dialog`, stopped when `stopImport` turns true (the
  // dialog owns the flag: its Cancel button and close box set it). Error 5 when the name
  // is too short to hold an extension.
  ImportContext(std::string fileName, ImportOptions options, ui::IImportDialog& dialog,
                const bool& stopImport);
  ImportContext(const ImportContext&) = delete;
  ImportContext& operator=(const ImportContext&) = delete;

  const std::string FileName;
  const ImportOptions Options;
  // The file's base name with blanks turned into "_": the name of the objects it gives.
  const std::string ObjectName;

  // How Read_Line splits lines: 0 = whole lines ending at CR (CR LF is one end, a lone LF
  // is an ordinary character); 1 = character by character, ending at CR or LF, skipping
  // empty lines. Any other value reads nothing.
  int32_t ReadMode = 0;
  // Characters consumed from the file so far, the importers' progress measure; Read_Line
  // holds it at 2^31 - 1 rather than letting it wrap.
  int32_t CharsRead = 0;
  // True when the user asked the import to stop; importers test it before each read.
  const bool& StopImport;

  // File number 1 of the component's file table: the import file, opened for raw byte
  // access. Positions count from 1.
  static constexpr int16_t kImportFile = 1;
  void Open() { files_.Open(kImportFile, FileName); }
  void Close() { files_.Close(kImportFile); }
  bool Eof() const { return files_.Eof(kImportFile); }
  int64_t Lof() const { return files_.Lof(kImportFile); }
  void Get(int64_t position, void* dst, size_t count) {
    files_.Get(kImportFile, position, dst, count);
  }
  NumberedFile& file() { return files_.file(kImportFile); }
  // Closes every file of the table: what the import run does when an import fails.
  void CloseAll() noexcept { files_.CloseAll(); }

  // The next line of the open file, without its line end (see ReadMode); the empty text
  // when the file is not open.
  std::string_view Read_Line();

  // ProgressBar1.Value = done, only when done is within the bar's maximum.
  void showProgressWithin(double done) { progress_.showWithin(done); }
  // ProgressBar1.Value = done (error 380 beyond the bar's maximum).
  void showProgress(double done) { progress_.show(done); }
  // Yields to the message loop once.
  void DoEvents() { dialog_.DoEvents(); }
  // showProgress(done) or showProgressWithin(done), then DoEvents: what an importer does
  // after each line.
  void showProgressAndYield(double done) {
    progress_.show(done);
    dialog_.DoEvents();
  }
  void showProgressWithinAndYield(double done) {
    progress_.showWithin(done);
    dialog_.DoEvents();
  }
  // A message box with `message` alone.
  void showMessage(std::string_view message) { dialog_.showMessage(message); }

 private:
  void addChars(size_t count) noexcept;
  std::string_view readWholeLine(NumberedFile& file);
  std::string_view readCharLine(NumberedFile* file);
  void gather(std::string_view part, bool& spanning);
  std::string_view finishAtBlockEnd(NumberedFile& file, std::string_view line, bool spanning);

  FileTable& files_;
  ui::IImportDialog& dialog_;
  ui::ProgressReport progress_;
  // Holds lines that span blocks; the returned view may point into it until the next call.
  std::string spanText_;
};

}  // namespace vlm
