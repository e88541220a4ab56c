// Edits of the per-literal lists: the implication list and the occurrence
// list (LitNcls) of a literal.
//
// Removal overwrites the first entry equal to the value with the list's last
// entry and shortens the list by one; the order of a list carries no meaning
// but is observable (the writer reads clause arrays in place), so every edit
// goes through these functions and keeps that exact rule.
//
// A long list gets a side index from value to positions the first time it is
// searched, so that finding an entry stays constant time for a literal in
// hundreds of thousands of clauses. The index only speeds up the search: the
// positions found, and so every result, are those of a plain scan.
#pragma once

#include <cstdint>

// --- implication lists -----------------------------------------------------

// First position of value in the implications of lit, or -1.
int32_t implFind(int32_t lit, int32_t value);
// Last position of value in the implications of lit, or -1.
int32_t implFindLast(int32_t lit, int32_t value);
// Appends value; the list must have room (numImpl < implCap).
void implAppend(int32_t lit, int32_t value);
// Removes the entry at pos: the last entry moves into pos.
void implRemoveAt(int32_t lit, int32_t pos);
// Removes the first entry equal to value; false if there is none.
bool implRemoveFirst(int32_t lit, int32_t value);
// Overwrites the entry at pos with value.
void implSetAt(int32_t lit, int32_t pos, int32_t value);
// Grows the implications of lit to four times its count (the old array is
// released and deleteCount counted); failMsg names the allocation site.
void implGrow(int32_t lit, const char* failMsg);

// --- occurrence lists ------------------------------------------------------

// Number of entries equal to clause in the LitNcls of lit.
int32_t nclsCount(int32_t lit, int32_t clause);
// Appends clause; the list must have room (numNcls < nclsCap).
void nclsAppend(int32_t lit, int32_t clause);
// Removes the first entry equal to clause; false if there is none.
bool nclsRemoveFirst(int32_t lit, int32_t clause);
// Grows the LitNcls of lit to four times its count.
void nclsGrow(int32_t lit, const char* failMsg);

// Releases every side index (part of resetAllState()).
void releaseListIndexes();

// --- clause literal arrays -------------------------------------------------

// Removes the first of the first curLen literals of clause c equal to lit
// (the last current literal moves into its place); false if absent.
bool clauseRemoveLiteral(int32_t c, int32_t lit);
