#include "app/run/trajectory_arrays.h"

#include <tbb/parallel_pipeline.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#include "core/number_text.h"

namespace kinelab {

namespace {

bool all_finite(const kin_state& s) {
  using std::isfinite;
  return isfinite(s.x) && isfinite(s.dx) && isfinite(s.ddx) && isfinite(s.y) && isfinite(s.dy) &&
         isfinite(s.ddy) && isfinite(s.z) && isfinite(s.dz) && isfinite(s.ddz);
}

bool all_finite(const scalar_state& s) {
  return std::isfinite(s.x) && std::isfinite(s.dx) && std::isfinite(s.ddx);
}

}  // namespace

std::vector<kin_state>& trajectory_arrays::add(std::string name, array_kind kind,
                                               std::string meaning, std::string unit) {
  trajectory_array& a = arrays_.emplace_back();
  a.name = std::move(name);
  a.kind = kind;
  a.meaning = std::move(meaning);
  a.unit = std::move(unit);
  return a.at;
}

std::vector<scalar_state>& trajectory_arrays::add_scalar(std::string name, std::string meaning,
                                                         std::string unit) {
  trajectory_array& a = arrays_.emplace_back();
  a.name = std::move(name);
  a.kind = array_kind::scalar;
  a.meaning = std::move(meaning);
  a.unit = std::move(unit);
  a.lean = true;
  return a.scalar_at;
}

const kin_state& placed_arrays::value(int member, std::size_t i) const {
  const auto k = static_cast<std::size_t>(member);
  if (i == 0) return step0_[k];
  if (const auto kept = kept_.find(i); kept != kept_.end()) return kept->second[k];
  static const kin_state none{};
  if (!live_) return none;
  if (cached_ != i) {
    cache_.resize(step0_.size());
    fill_(i, cache_.data());
    cached_ = i;
  }
  return cache_[k];
}

void placed_arrays::values_at(std::size_t i, kin_state* out) const {
  if (i == 0) {
    std::copy(step0_.begin(), step0_.end(), out);
  } else if (const auto kept = kept_.find(i); kept != kept_.end()) {
    std::copy(kept->second.begin(), kept->second.end(), out);
  } else if (!live_) {
    std::fill(out, out + step0_.size(), kin_state{});
  } else {
    fill_(i, out);
  }
}

placed_arrays& trajectory_arrays::add_placed_group(placed_arrays::fill_fn fill) {
  placed_.push_back(std::make_shared<placed_arrays>(std::move(fill)));
  return *placed_.back();
}

const trajectory_array& trajectory_arrays::add_placed(placed_arrays& group, std::string name,
                                                      std::string meaning, std::string unit) {
  trajectory_array& a = arrays_.emplace_back();
  a.name = std::move(name);
  a.meaning = std::move(meaning);
  a.unit = std::move(unit);
  for (const auto& g : placed_)
    if (g.get() == &group) a.placed = g;
  if (!a.placed) throw std::logic_error("add_placed: a group of other arrays");
  a.member = static_cast<int>(group.step0_.size());
  group.step0_.emplace_back();
  return a;
}

void trajectory_arrays::clear_guarded() {
  guarded_.clear();
  for (const auto& g : placed_) {
    g->kept_.clear();
    g->checked_ = false;
    g->cached_ = 0;
  }
}

namespace {

// To n records; a longer run takes one allocation of exactly its size rather than the
// vector's doubling, and a shorter one keeps the storage it has.
template <class T>
void size_to(std::vector<T>& v, std::size_t n) {
  if (n > v.capacity()) {
    std::vector<T> grown;
    grown.reserve(n);
    grown.assign(v.begin(), v.end());
    v.swap(grown);
  }
  v.resize(n);
}

}  // namespace

void trajectory_arrays::resize(int N) {
  const std::size_t n = static_cast<std::size_t>(N) + 1;
  for (auto& a : arrays_) {
    if (a.placed) continue;
    if (a.lean)
      size_to(a.scalar_at, n);
    else
      size_to(a.at, n);
  }
  if (solver_record_enabled_) size_to(solver_record_, n);
  for (const auto& g : placed_) {
    g->steps_ = n;
    g->kept_.erase(g->kept_.lower_bound(n), g->kept_.end());
    g->checked_ = false;
    g->cached_ = 0;
  }
}

int trajectory_arrays::N() const {
  return arrays_.empty() ? -1 : static_cast<int>(arrays_.front().size()) - 1;
}

const trajectory_array* trajectory_arrays::find(const std::string& name) const {
  for (const auto& a : arrays_)
    if (a.name == name) return &a;
  return nullptr;
}

trajectory_array* trajectory_arrays::find(const std::string& name) {
  for (auto& a : arrays_)
    if (a.name == name) return &a;
  return nullptr;
}

trajectory_arrays::replaced trajectory_arrays::replace_non_finite() {
  replaced r;
  // A placed step whose own values or whose window's stored values (which are about to be
  // replaced) are not all finite is kept as it was placed.
  for (const auto& g : placed_) {
    if (!g->live_ || g->checked_) continue;
    g->checked_ = true;
    std::vector<kin_state> at(g->step0_.size());
    for (std::size_t i = 1; i < g->steps_; ++i) {
      if (g->kept_.count(i)) continue;
      g->fill_(i, at.data());
      bool finite = true;
      for (const kin_state& s : at) finite = finite && all_finite(s);
      for (const auto& a : arrays_) {
        if (!finite) break;
        if (a.placed) continue;
        if (a.lean)
          finite = all_finite(a.scalar_at[i]);
        else if (i < a.at.size())
          finite = all_finite(a.at[i]);
      }
      if (!finite) g->kept_[i] = at;
    }
    g->cached_ = 0;
  }
  for (auto& a : arrays_) {
    if (a.placed) {
      placed_arrays& g = *a.placed;
      const auto k = static_cast<std::size_t>(a.member);
      const auto replace = [&](std::size_t i, kin_state& s) {
        if (all_finite(s)) return;
        for (const auto& c : array_columns(a)) {
          double& v = s.*(c.field);
          if (std::isfinite(v)) continue;
          if (r.count++ == 0 || static_cast<int>(i) < r.first_step) {
            r.first_step = static_cast<int>(i);
            r.first_column = c.name;
          }
          v = 0;
        }
        if (guarded_.size() <= i) guarded_.resize(g.steps_, 0);
        guarded_[i] |= 1;
      };
      if (g.steps_ > 0) replace(0, g.step0_[k]);
      for (auto& [i, kept] : g.kept_) replace(i, kept[k]);
      continue;
    }
    const bool scalar = a.kind == array_kind::scalar;
    std::vector<array_column> columns;  // named only once a value needs replacing
    for (std::size_t i = 0; i < a.size(); ++i) {
      using std::isfinite;
      if (a.lean) {
        const scalar_state& s = a.scalar_at[i];
        if (isfinite(s.x) && isfinite(s.dx) && isfinite(s.ddx)) continue;
      } else {
        const kin_state& s = a.at[i];
        if (isfinite(s.x) && isfinite(s.dx) && isfinite(s.ddx) &&
            (scalar || (isfinite(s.y) && isfinite(s.dy) && isfinite(s.ddy) && isfinite(s.z) &&
                        isfinite(s.dz) && isfinite(s.ddz))))
          continue;
      }
      if (columns.empty()) columns = array_columns(a);
      for (const auto& c : columns) {
        double& v = a.get(i, c.field);
        if (std::isfinite(v)) continue;
        if (r.count++ == 0 || static_cast<int>(i) < r.first_step) {
          r.first_step = static_cast<int>(i);
          r.first_column = c.name;
        }
        v = 0;
      }
      if (guarded_.size() <= i) guarded_.resize(a.size(), 0);
      guarded_[i] |= 1;
    }
  }
  for (auto& o : solver_record_)
    if (!std::isfinite(o.residual)) o.residual = std::numeric_limits<double>::max();
  return r;
}

void trajectory_arrays::clear_guarded(int step) {
  if (step >= 0 && static_cast<std::size_t>(step) < guarded_.size()) guarded_[step] = 0;
}

bool trajectory_arrays::guarded(int step) const {
  return step >= 0 && static_cast<std::size_t>(step) < guarded_.size() && (guarded_[step] & 1);
}

void trajectory_arrays::mark_unreached(int step) {
  if (step < 0) return;
  const auto at = static_cast<std::size_t>(step);
  if (guarded_.size() <= at) guarded_.resize(at + 1, 0);
  guarded_[at] |= 2;
}

bool trajectory_arrays::reached(int step) const {
  return !(step >= 0 && static_cast<std::size_t>(step) < guarded_.size() && (guarded_[step] & 2));
}

trajectory_arrays::step_values trajectory_arrays::step(int i) const {
  const auto at = static_cast<std::size_t>(i);
  step_values s;
  s.values.reserve(arrays_.size());
  for (const auto& a : arrays_) {
    if (at >= a.size()) throw std::out_of_range("trajectory step");
    s.values.push_back(a.state(at));
  }
  if (at < solver_record_.size()) s.outcome = solver_record_[at];
  s.marks = at < guarded_.size() ? guarded_[at] : 0;
  return s;
}

void trajectory_arrays::swap_step(int i, step_values& s) {
  const auto at = static_cast<std::size_t>(i);
  std::size_t k = 0;
  for (auto& a : arrays_) {
    kin_state& v = s.values.at(k++);
    if (a.placed) {
      // Only step 0 is the window's own to exchange.
      if (at != 0) throw std::logic_error("swap_step: a placed array past step 0");
      std::swap(a.placed->step0_.at(static_cast<std::size_t>(a.member)), v);
      continue;
    }
    if (!a.lean) {
      std::swap(a.at.at(at), v);
      continue;
    }
    scalar_state& mine = a.scalar_at.at(at);
    const scalar_state theirs{v.x, v.dx, v.ddx};
    v = {mine.x, mine.dx, mine.ddx};
    mine = theirs;
  }
  if (at < solver_record_.size()) std::swap(solver_record_[at], s.outcome);
  const unsigned char was = at < guarded_.size() ? guarded_[at] : 0;
  if (s.marks && guarded_.size() <= at) guarded_.resize(at + 1, 0);
  if (at < guarded_.size()) guarded_[at] = s.marks;
  s.marks = was;
}

std::vector<array_column> array_columns(const trajectory_array& a) {
  if (a.kind == array_kind::scalar)
    return {
        {a.name, &kin_state::x}, {"d" + a.name, &kin_state::dx}, {"dd" + a.name, &kin_state::ddx}};
  const std::string& n = a.name;
  return {{n + ".x", &kin_state::x}, {n + ".dx", &kin_state::dx}, {n + ".ddx", &kin_state::ddx},
          {n + ".y", &kin_state::y}, {n + ".dy", &kin_state::dy}, {n + ".ddy", &kin_state::ddy},
          {n + ".z", &kin_state::z}, {n + ".dz", &kin_state::dz}, {n + ".ddz", &kin_state::ddz}};
}

void trajectory_arrays::write_csv(const text_out& put,
                                  const std::vector<extra_column>& extra) const {
  std::string line = "i";
  // Where each column's values come from: a stored array's field, or a member of a placed group
  // (placed once per row for all its members).
  struct source {
    const trajectory_array* array;
    double kin_state::*field;
    int group;  // index into `groups`, −1 for a stored array
  };
  std::vector<source> columns;
  std::vector<const placed_arrays*> groups;
  for (const auto& a : arrays_)
    for (auto& c : array_columns(a)) {
      line += "," + c.name;
      int group = -1;
      if (a.placed) {
        const auto g = std::find(groups.begin(), groups.end(), a.placed.get());
        group = static_cast<int>(g - groups.begin());
        if (g == groups.end()) groups.push_back(a.placed.get());
      }
      columns.push_back({&a, c.field, group});
    }
  const bool with_record = !solver_record_.empty();
  if (with_record) line += ",nr_iterations,nr_residual,nr_status,nr_minimum_norm_rates";
  for (const extra_column& e : extra) line += "," + e.name;
  line += ",guarded\n";
  put(line);

  // The rows are formatted in chunks on every core while the chunks before them are handed
  // over in order, so that writing the text overlaps with formatting it and the text of
  // 200 000 steps is never held whole. A number takes at most 24 characters and its comma.
  constexpr std::size_t rows_per_chunk = 512, chunks_in_flight = 8;
  const std::size_t row_max = 32 + 25 * (columns.size() + extra.size() + 4);
  const std::size_t steps = static_cast<std::size_t>(N() + 1);
  const std::size_t chunks = (steps + rows_per_chunk - 1) / rows_per_chunk;
  struct chunk_text {
    std::unique_ptr<char[]> text;
    std::size_t length = 0;
  };
  // At most chunks_in_flight chunks are between formatting and writing, and they leave in
  // order, so chunk c may use the buffer of chunk c − chunks_in_flight.
  std::vector<chunk_text> buffers(std::min(chunks, chunks_in_flight));
  // A number's text is its field's text on the row before when the bits are the same (a
  // column that holds still), taken from the same chunk.
  struct last_text {
    std::uint64_t bits = 0;
    std::uint32_t offset = 0, length = 0;  // length 0: none yet in this chunk
  };
  const std::size_t numbers = columns.size() + (with_record ? 2 : 0) + extra.size();
  const auto format_rows = [&](std::size_t chunk) {
    chunk_text& b = buffers[chunk % buffers.size()];
    if (!b.text) b.text.reset(new char[rows_per_chunk * row_max]);
    char* const begin = b.text.get();
    char* p = begin;
    std::vector<last_text> last(numbers);
    const auto number = [&](std::size_t column, double v) {
      std::uint64_t bits;
      std::memcpy(&bits, &v, sizeof bits);
      last_text& l = last[column];
      if (l.length && l.bits == bits) {
        std::memcpy(p, begin + l.offset, l.length);
        p += l.length;
        return;
      }
      char* const from = p;
      if (bits == 0)
        *p++ = '0';
      else
        p = std::to_chars(p, p + 25, v).ptr;
      l = {bits, static_cast<std::uint32_t>(from - begin), static_cast<std::uint32_t>(p - from)};
    };
    const auto integer = [&p](int v) { p = std::to_chars(p, p + 12, v).ptr; };
    std::vector<std::vector<kin_state>> placed(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) placed[g].resize(groups[g]->step0_.size());
    const std::size_t first = chunk * rows_per_chunk;
    const std::size_t last_row = std::min(first + rows_per_chunk, steps);
    for (std::size_t at = first; at < last_row; ++at) {
      for (std::size_t g = 0; g < groups.size(); ++g) groups[g]->values_at(at, placed[g].data());
      integer(static_cast<int>(at));
      std::size_t k = 0;
      for (const source& c : columns) {
        *p++ = ',';
        number(k++, c.group < 0 ? c.array->get(at, c.field)
                                : placed[static_cast<std::size_t>(c.group)]
                                        [static_cast<std::size_t>(c.array->member)].*
                                      (c.field));
      }
      if (with_record && at < solver_record_.size()) {
        const nr_outcome& r = solver_record_[at];
        *p++ = ',';
        integer(r.iterations);
        *p++ = ',';
        number(k, r.residual);
        *p++ = ',';
        integer(static_cast<int>(r.status));
        *p++ = ',';
        *p++ = r.minimum_norm_rates ? '1' : '0';
      }
      if (with_record) k += 2;
      for (const extra_column& e : extra) {
        *p++ = ',';
        number(k++, at < e.values->size() ? (*e.values)[at] : 0.0);
      }
      *p++ = ',';
      *p++ = static_cast<char>('0' + (at < guarded_.size() ? guarded_[at] & 3 : 0));
      *p++ = '\n';
    }
    b.length = static_cast<std::size_t>(p - begin);
  };
  std::size_t next = 0;
  tbb::parallel_pipeline(
      chunks_in_flight,
      tbb::make_filter<void, std::size_t>(tbb::filter_mode::serial_in_order,
                                          [&](tbb::flow_control& fc) -> std::size_t {
                                            if (next == chunks) fc.stop();
                                            return next++;
                                          }) &
          tbb::make_filter<std::size_t, std::size_t>(tbb::filter_mode::parallel,
                                                     [&](std::size_t c) {
                                                       format_rows(c);
                                                       return c;
                                                     }) &
          tbb::make_filter<std::size_t, void>(tbb::filter_mode::serial_in_order,
                                              [&](std::size_t c) {
                                                const chunk_text& b = buffers[c % buffers.size()];
                                                put(std::string_view(b.text.get(), b.length));
                                              }));
}

std::string trajectory_arrays::csv(const std::vector<extra_column>& extra) const {
  std::string out;
  write_csv([&](std::string_view t) { out.append(t); }, extra);
  return out;
}

}  // namespace kinelab
