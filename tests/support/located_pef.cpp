#include "tests/support/located_pef.h"

namespace located_pef {

using pef_sample::NoteForm;

void put32(Bytes& bytes, std::uint32_t at, std::uint32_t value, bool intel) {
  for (int i = 0; i < 4; ++i)
    bytes[at + (intel ? i : 3 - i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

File build(const Plan& plan) {
  pef_sample::BodyLayout body = *pef_sample::findBody("k5");
  body.note = plan.pentaxNote ? (plan.intel ? NoteForm::PentaxLittle : NoteForm::PentaxBig)
                              : (plan.intel ? NoteForm::AocLittle : NoteForm::Aoc);
  body.borders = plan.borders;
  body.previewAt = plan.previewAt;
  body.fullAt = plan.previewAt + static_cast<std::uint32_t>(plan.preview.size());
  body.chainFirst = true;
  pef_sample::ShotValues values;
  values.focusMode = 16;  // AF-S
  values.lens = pef_sample::LensCode{3, 1};
  values.orientation = plan.orientation;
  return pef_sample::writeBody(body, values, {{}, plan.preview, plan.fullSize});
}

}  // namespace located_pef
