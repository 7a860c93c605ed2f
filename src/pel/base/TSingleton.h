#pragma once
// The one object of a class that the whole process shares: made on first use, deleted on
// request (the application's shutdown), made again when used after that. Creation and deletion
// belong to one thread, the one that uses the object; nothing here locks.
//
//   class FontTable : public pel::TSingleton<FontTable> {
//       friend class pel::TSingleton<FontTable>;
//       FontTable();
//   };

namespace pel {

template <class T>
class TSingleton {
public:
    TSingleton(const TSingleton&) = delete;
    TSingleton& operator=(const TSingleton&) = delete;

    // The object, made on first use.
    static T& instance() {
        if (!s_instance)
            s_instance = new T();
        return *s_instance;
    }
    // The object when it exists; null otherwise. Never makes it.
    static T* peek() { return s_instance; }
    // Deletes the object; the next instance() makes a new one.
    static void destroy() {
        T* object = s_instance;
        s_instance = nullptr;
        delete object;
    }

protected:
    TSingleton() = default;
    ~TSingleton() = default;

private:
    static inline T* s_instance = nullptr;
};

} // namespace pel
