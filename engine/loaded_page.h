#pragma once

#include <memory>

#include "engine/html_document.h"
#include "engine/reference_resolver.h"

// A page being walked: its tree and the base its references are read
// against. The converter holds the page it converts; a frame's page or an
// iframe's srcdoc is a LoadedPage of its own, held by the walk that meets
// it, so that walking it never changes the page around it.
struct LoadedPage {
  std::unique_ptr<HtmlDocument> document;  // never null
  ReferenceBase base;
};
