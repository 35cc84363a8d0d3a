// Resource numbers shared by the resource script and the code that loads them.
#ifndef QUENBREL_RESOURCES_RESOURCE_IDS_H_
#define QUENBREL_RESOURCES_RESOURCE_IDS_H_

#define IDI_APP_ICON 101

#endif  // QUENBREL_RESOURCES_RESOURCE_IDS_H_
