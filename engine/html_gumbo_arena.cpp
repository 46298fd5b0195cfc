#include "engine/html_gumbo_arena.h"

#include <cstdlib>
#include <new>

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

// Between the jump's start and its end lie only this function and gumbo's C
// frames, none with anything to destroy.
void GumboArena::Parse(const std::function<void()>& parse) {
  std::jmp_buf exit;
  if (setjmp(exit) != 0) {
    m_parseExit = nullptr;
    throw std::bad_alloc();
  }
  m_parseExit = &exit;
  parse();
  m_parseExit = nullptr;
}

void* GumboArena::Allocate(void* arena, std::size_t size) {
  auto* self = static_cast<GumboArena*>(arena);
  auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
  if (header == nullptr) {
    if (self->m_parseExit != nullptr) std::longjmp(*self->m_parseExit, 1);
    return nullptr;
  }
  Header& ring = self->m_blocks;
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
