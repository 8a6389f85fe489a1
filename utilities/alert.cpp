// SPDX-License-Identifier: MIT
#include <iostream>
#include <utility>

#include "utilities/basicutilities.h"

namespace basicutilities {
namespace {

AlertHandler& installedhandler() {
  static AlertHandler handler;
  return handler;
}

}  // namespace

bool alertuser(const std::string& title, const std::string& message) {
  if (const auto& handler = installedhandler()) return handler(title, message);
  std::cerr << title << ": " << message << '\n';
  return false;
}

AlertHandler setalerthandler(AlertHandler handler) { return std::exchange(installedhandler(), std::move(handler)); }

}  // namespace basicutilities
