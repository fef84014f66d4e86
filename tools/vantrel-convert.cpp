// vantrel-convert: reads a picture through the imaging library, applies processing steps, writes it out.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "imaging/io/oxio.h"
#include "imaging/proc/oxproc.h"
#include "tools/convert/ConvertInfo.h"
#include "tools/convert/ConvertOptions.h"
#include "tools/convert/ConvertSetup.h"

namespace {

constexpr int kExitRead = 1, kExitUsage = 2, kExitWrite = 3;

int Fail(int code, const std::string& message) {
  std::cerr << "vantrel-convert: " << message << "\n";
  return code;
}

// The reason a file cannot be opened for reading, or empty when it can.
std::string OpenProblem(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) return std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "is a folder";
  if (::access(name.c_str(), R_OK) != 0) return std::strerror(errno);
  return {};
}

// By extension first; a name whose extension the library does not know is read by its content.
void Load(ox::TOrvexIO& io, const std::string& name) {
  if (ox::LoadFormatOfExtension(ox::LowerExtension(name)) != ox::oxffUnknown || ox::IsKnownFileExtension(name))
    io.LoadFromFile(name);
  else
    io.LoadFromFileFormat(name, ox::DetectFileFormat(name, false));
}

bool CanWrite(const std::string& ext) {
  if (ox::TOXFileFormat f = ox::SaveFormatOfExtension(ext); f != ox::oxffUnknown) {
    const ox::TBuiltInCodec* codec = ox::BuiltInCodec(f);
    return codec && codec->Write;
  }
  const ox::TOXFileFormatInfo* rec = ext.size() > 1 ? ox::FindFormatByExtension(ext.substr(1)) : nullptr;
  return rec && rec->WriteProc;
}

bool RunStep(const vc::TStep& step, gfx::TDib& dib) {
  const int w = dib.Width(), h = dib.Height();
  ox::TOrvexProc proc;
  proc.AutoUndo = false;
  proc.SetTarget(&dib);
  dib.Modified = false;
  switch (step.kind) {
    case vc::TStep::Resize: proc.Resample(step.width, step.height, step.filter); break;
    case vc::TStep::Rotate: proc.Rotate(step.angle, true); break;
    case vc::TStep::Flip: proc.Flip(step.horizontal ? 0 : 1); break;
    case vc::TStep::Gray: proc.ConvertToGray(); break;
    case vc::TStep::Negative: proc.Negative(); break;
  }
  return !dib.Empty() && (step.kind != vc::TStep::Resize || (dib.Width() == step.width && dib.Height() == step.height)) &&
         (w > 0 && h > 0);
}

}  // namespace

int main(int argc, char** argv) {
  vc::TOptions options;
  try {
    options = vc::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& e) {
    std::cerr << "vantrel-convert: " << e.what() << "\nTry 'vantrel-convert --help'.\n";
    return kExitUsage;
  }
  if (options.help) {
    std::cout << vc::UsageText();
    return 0;
  }
  if (options.version) {
    std::cout << "vantrel-convert " << VANTREL_VERSION << "\n";
    return 0;
  }
  auto setup = vc::SetupLibrary(argc, argv, options.input);

  const std::string& in = options.input;
  if (std::string problem = OpenProblem(in); !problem.empty())
    return Fail(kExitRead, "cannot read '" + in + "': " + problem);

  gfx::TDib dib;
  ox::TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.AutoAdjustDPI = options.squarePixels;
  const std::string outExt = ox::LowerExtension(options.output);
  try {
    vc::ApplyParams(options, io.Params, outExt);
  } catch (const std::invalid_argument& e) {
    return Fail(kExitUsage, e.what());
  }

  if (options.info) {
    try {
      if (!vc::PrintInfo(io, in, std::cout)) {
        std::string why = "cannot read '" + in + "': not a picture this program can read";
        if (io.Failure) why += " (" + io.Failure.Text + ")";
        return Fail(kExitRead, why);
      }
    } catch (const std::exception& e) {
      return Fail(kExitRead, "cannot read '" + in + "': " + e.what());
    }
    return 0;
  }

  if (!CanWrite(outExt))
    return Fail(kExitUsage, "cannot write '" + options.output + "': no writer for the extension '" + outExt + "'");

  try {
    Load(io, in);
  } catch (const std::exception& e) {
    return Fail(kExitRead, "cannot read '" + in + "': " + e.what());
  }
  // A cut file is not converted: the output would pass for the whole picture.
  if (io.Partial)
    return Fail(kExitRead, "cannot read '" + in + "': the data ends after row " + std::to_string(io.RowsRead) +
                               " of " + std::to_string(io.RowsExpected));
  if (io.Aborted || dib.Empty()) {
    // What the codec said: an unsupported feature is not damage, so it is not called that.
    if (io.Failure.Kind == ox::TFailureKind::Unsupported) return Fail(kExitRead, "cannot read '" + in + "': " + io.Failure.Text);
    std::string why = "cannot read '" + in + "': damaged, or not a picture this program can read";
    if (io.Failure) why += " (" + io.Failure.Text + ")";
    return Fail(kExitRead, why);
  }

  for (const auto& step : options.steps)
    if (!RunStep(step, dib)) return Fail(kExitUsage, "a processing step could not be applied to '" + in + "'");
  io.Params.Width = dib.Width();
  io.Params.Height = dib.Height();
  // The options were applied before reading; the reader replaced some of them with what the file said.
  vc::ApplyParams(options, io.Params, outExt);

  try {
    io.SaveToFile(options.output);
  } catch (const std::exception& e) {
    return Fail(kExitWrite, "cannot write '" + options.output + "': " + e.what());
  }
  if (io.Aborted) {
    std::string why = "cannot write '" + options.output + "': the picture could not be encoded in this format";
    if (io.Failure) why += " (" + io.Failure.Text + ")";
    return Fail(kExitWrite, why);
  }
  return 0;
}
