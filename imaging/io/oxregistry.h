// The file-format registry: the twelve built-in formats with their descriptions and extensions, and the
// extension point (read, write, detect procedures) further formats plug in through.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "imaging/io/oxioparams.h"

namespace ox {

using TOXRegReadProc =
    std::function<void(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, bool paramsOnly, TProgressRec& progress)>;
using TOXRegWriteProc = std::function<void(TOXStream& stream, gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress)>;
using TOXRegDetectProc = std::function<bool(TOXStream& stream)>;

struct TOXFileFormatInfo {
  TOXFileFormat FormatId = oxffUnknown;
  std::string Description;  // at most 80 characters
  std::string Extensions;   // upper case, ";"-separated, no dots
  TOXRegReadProc ReadProc;
  TOXRegWriteProc WriteProc;
  TOXRegDetectProc DetectProc;
};

// The process-wide list, in registration order (the built-ins first, by id).
std::vector<TOXFileFormatInfo>& FileFormatRegistry();
// Adds a format; its id should be above 9999 so that it never meets a built-in one.
void RegisterFileFormat(TOXFileFormatInfo info);

const TOXFileFormatInfo* FindFormatById(TOXFileFormat id);
// ext without the dot, any case.
const TOXFileFormatInfo* FindFormatByExtension(const std::string& ext);
// Entry k of the format's list (from 0); empty past the end.
std::string FormatExtension(TOXFileFormat id, int k);
int FormatExtensionCount(TOXFileFormat id);

// "photo.JPG" -> ".jpg"; empty when the name has no extension.
std::string LowerExtension(const std::string& fileName);
bool IsKnownFileExtension(const std::string& fileName);

}  // namespace ox
