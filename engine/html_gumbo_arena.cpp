#include "engine/html_gumbo_arena.h"

#include <cstdlib>

GumboArena::GumboArena() : m_blocks{&m_blocks, &m_blocks} {}

GumboArena::~GumboArena() {
  Header* header = m_blocks.next;
  while (header != &m_blocks) {
    Header* next = header->next;
    std::free(header);
    header = next;
  }
}

void GumboArena::Install(GumboOptions& options) {
  options.allocator = &GumboArena::Allocate;
  options.deallocator = &GumboArena::Deallocate;
  options.userdata = this;
}

void* GumboArena::Allocate(void* arena, std::size_t size) {
  auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
  if (header == nullptr) return nullptr;
  Header& ring = static_cast<GumboArena*>(arena)->m_blocks;
  header->previous = &ring;
  header->next = ring.next;
  ring.next->previous = header;
  ring.next = header;
  return header + 1;
}

void GumboArena::Deallocate(void*, void* block) {
  if (block == nullptr) return;
  Header* header = static_cast<Header*>(block) - 1;
  header->previous->next = header->next;
  header->next->previous = header->previous;
  std::free(header);
}
