#pragma once

#include "document/SjisString.h"

#include <vector>

// The SSTP request text and reply parsing, apart from any socket.
namespace SstpRequest {

// Header lines "Name: value" as the notifier stores them.
using HeaderLines = std::vector<SjisString>;

// The value of the first line whose name (before the first ':') equals
// `name`, ignoring case; empty when there is none.
SjisString Header(const HeaderLines& lines, SjisView name);

// Replaces the first line that begins with `name` (ignoring case), or deletes
// it when the value is empty; appends a line when there is none (also for an
// empty value).
void SetHeader(HeaderLines& lines, SjisView name, SjisView value);

// The whole request: "SEND SSTP/1.3" when HWnd is set, "SEND SSTP/1.2" with
// Entry lines, "SEND SSTP/1.0" otherwise; then the headers of that form in
// their order, only non-empty ones, and an empty line; every line ends in
// CR LF.
SjisString Build(const HeaderLines& lines);

// The code in the first reply line after "SSTP/1.x ": 0 when not a number.
int ReplyCode(SjisView reply);

// The reply up to its first CR LF.
SjisString FirstLine(SjisView reply);

} // namespace SstpRequest
