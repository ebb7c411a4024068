// Data-file positions across local procedure calls. While a call made with
// `local` runs, the first change of each file's position keeps the
// position it had (its key, status, both record buffers and whether it
// stood in a run of equal keys); when the call ends without an error the
// kept positions come back, so the caller finds its files where it left
// them.
#include <string>

#include "core/slots.h"
#include "data/internal/access_run.h"
#include "data/internal/common.h"
#include "data/records.h"

namespace data::internal {

using core::kOk;

void position_note(uint16_t file) {
  AccessState& s = access_state();
  if (s.local_frames.empty()) return;
  LocalFrame& frame = s.local_frames.back();
  for (const SavedPosition& p : frame.saved)
    if (p.file == file) return;
  frame.saved.push_back(position_of(file));
}

SavedPosition position_of(uint16_t file) {
  const FileCtrl& ctrl = file_ctrl(file);
  SavedPosition p;
  p.file = file;
  p.key = ctrl.key;
  p.status = ctrl.status;
  p.in_run = ctrl.cursor >= 0;
  p.run_key = ctrl.cursor_key;
  p.buffers = std::string(core::text_bytes(core::slot_get(core::kGroupBuffers, static_cast<uint16_t>(file - 1))));
  return p;
}

void position_restore(const SavedPosition& p) {
  FileCtrl& ctrl = file_ctrl(p.file);
  cursor_close(p.file);
  ctrl.key = p.key;
  ctrl.status = p.status;
  static_cast<void>(core::slot_set(core::kGroupBuffers, static_cast<uint16_t>(p.file - 1),
                                   core::text_view(p.buffers.data(), p.buffers.size())));
  if (!p.in_run) return;
  std::string saved = p.buffers.substr(p.buffers.size() / 2);
  static_cast<void>(cursor_resume(p.file, p.run_key, saved));
}

namespace {

// Ends the innermost local call; puts back the kept positions `keep` says.
template <class Keep>
void local_call_end(Keep keep) {
  AccessState& s = access_state();
  if (s.local_frames.empty()) return;
  LocalFrame frame = std::move(s.local_frames.back());
  s.local_frames.pop_back();
  for (auto p = frame.saved.rbegin(); p != frame.saved.rend(); ++p)
    if (keep(p->file)) position_restore(*p);
}

}  // namespace

void local_call(bool begin, bool restore_positions) {
  if (begin) {
    access_state().local_frames.emplace_back();
    return;
  }
  local_call_end([&](uint16_t) { return restore_positions; });
}

void local_call_end_restoring(const uint16_t* files, size_t count) {
  local_call_end([&](uint16_t file) {
    for (size_t i = 0; i < count; ++i)
      if (files[i] != 0 && files[i] == file) return true;
    return false;
  });
}

}  // namespace data::internal
