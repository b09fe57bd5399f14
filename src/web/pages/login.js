// The password's page: says when the last one was refused.
"use strict";
document.getElementById("refuse").hidden = !new URLSearchParams(location.search).has("refuse");
