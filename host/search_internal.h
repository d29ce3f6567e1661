// Shared by the platform layers of the file search.
#ifndef TINTSHIFT_HOST_SEARCH_INTERNAL_H
#define TINTSHIFT_HOST_SEARCH_INTERNAL_H

#include "host/host.h"

// Once the platform layer has read the accepted names into state->names: opens the
// walk and yields the first entry, or closes the search and returns the
// end-of-listing status when the list is empty.
Status StartWalk(SearchState* state);

// Prepares state for reading a new listing.
void BeginListing(SearchState* state, unsigned long selection);

#endif
