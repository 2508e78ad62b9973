#pragma once
// The icons of a page's tree nodes by state (image-list indexes).
namespace quillet::pages {

enum TreeImage {
    kImageEndpointIdle = 0,
    kImageEndpointActive = 1,
    kImageClosed = 2,
    kImageOpen = 3,
    kImageClosedUnread = 4,
    kImageOpenUnread = 5,
};

}  // namespace quillet::pages
