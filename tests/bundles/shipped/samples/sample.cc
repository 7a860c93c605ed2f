// A sample of C++ on top of C.
#include <string>

namespace shapes {

template <typename T>
class Circle final : public Shape {
public:
    explicit Circle(T radius) : m_radius(radius) {}
    virtual double area() const override;
private:
    T m_radius;
};

double Circle<double>::area() const {
    auto text = R"x(raw "text" )y" still)x";
    if (this == nullptr)
        throw std::runtime_error("none");
    return 3.14 * m_radius * m_radius;
}

}
enum class Colour { Red, Green };
struct Base {
    virtual ~Base() = default;
    template <typename T> static T twice(T value);
};
std::vector<int> counts(3);
