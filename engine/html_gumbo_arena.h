#pragma once

#include <gumbo.h>

#include <csetjmp>
#include <cstddef>
#include <functional>

// Keeps every block gumbo allocates for one parse, and frees what is left
// when it goes: the whole tree in one flat pass (gumbo's own free recurses
// once per nesting level), and also what gumbo forgets to free itself (the
// strings of a doctype inside a noscript in the head, for one).
class GumboArena {
 public:
  GumboArena();
  ~GumboArena();
  GumboArena(const GumboArena&) = delete;
  GumboArena& operator=(const GumboArena&) = delete;

  // Makes gumbo allocate from this arena when parsing with `options`.
  void Install(GumboOptions& options);
  // Runs `parse`, a gumbo parse with installed options, and throws
  // std::bad_alloc when an allocation of it fails. gumbo cannot go on without
  // the memory it asked for (it asserts, or follows the null pointer), so it
  // is never given a null pointer: the parse is left at once instead, every
  // block it had stays here and goes with the arena. `parse` must not throw.
  void Parse(const std::function<void()>& parse);

 private:
  // Precedes each block gumbo gets; its alignment keeps the block's.
  struct alignas(std::max_align_t) Header {
    Header* previous;
    Header* next;
  };

  static void* Allocate(void* arena, std::size_t size);
  static void Deallocate(void* arena, void* block);

  Header m_blocks;  // the ring of live blocks; this one is none of them
  // Where a failed allocation leaves the parse for; set only while Parse runs. Not owned.
  std::jmp_buf* m_parseExit = nullptr;
};
