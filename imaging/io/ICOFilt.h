// Icon and cursor readers and their content tests (directory, XOR image, AND mask into the alpha mask).
#pragma once

#include "imaging/io/oxioparams.h"
#include "imaging/model/oxmask.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Content tests for format detection; the stream position is restored.
bool IsICOStream(TOXStream& stream);
bool IsCURStream(TOXStream& stream);

// Read image IcoImageIndex (CurImageIndex) of an icon (cursor) file at the stream position. An index out
// of range changes nothing. alpha (may be null) receives an 8-bit mask, 0 where the picture is transparent.
// Failure sets progress.Abort().
void ICOReadStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, TOXMask* alpha, TProgressRec& progress,
                   bool paramsOnly);
void CURReadStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, TOXMask* alpha, TProgressRec& progress,
                   bool paramsOnly);

}  // namespace ox
