// ZqVector and ZqMap: the growable array and the ordered map of the framework's interfaces,
// plain standard containers with nothing of their own.
#pragma once

#include <map>
#include <vector>

template <class T> using ZqVector = std::vector<T>;
template <class K, class V> using ZqMap = std::map<K, V>;
