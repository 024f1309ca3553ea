#pragma once
// A simulation window opened for an atlas test, and its atlas source.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "app/atlas/atlas.h"
#include "app/window/sim_window.h"
#include "mechanisms/registry.h"

namespace kinelab::test {

struct open_window {
  std::unique_ptr<window_model> model;
  sim_window& w;
  explicit open_window(const std::string& name)
      : model(find_window(name)->make()), w(dynamic_cast<sim_window&>(*model)) {
    w.open();
  }
};

inline atlas_source source_of(sim_window& w) {
  atlas_source_result r = atlas_source_of(w);
  EXPECT_TRUE(r.source) << r.problem;
  return std::move(*r.source);
}

}  // namespace kinelab::test
