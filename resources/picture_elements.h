// The information panel's picture array: which bitmap resource each element holds.
#pragma once

// The resource id of picture element `element`, 0 for an element that holds no picture.
int PictureElementResource(int element);
