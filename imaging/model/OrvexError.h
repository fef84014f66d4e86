// EOrvexError: the one exception type that commands and the imaging library raise with a message text.
#pragma once

#include <stdexcept>

namespace ox {

class EOrvexError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace ox
