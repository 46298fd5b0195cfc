#pragma once

// How rewritten references point at the archive's resource parts.
enum class LinkStyle {
  File,  // file URLs, matched against each part's Content-Location
  Cid,   // cid: URLs, matched against each part's Content-ID (Chromium needs these)
};
